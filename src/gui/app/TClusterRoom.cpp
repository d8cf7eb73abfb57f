#include "TClusterRoom.h"

#include "TStationLinksRoom.h"
#include "TfrmMain.h"
#include "app/TStationLinks.h"
#include "cluster/ClusterSettings.h"
#include "cluster/TClusterClient.h"
#include "data/Errors.h"
#include "data/Prompts.h"
#include "feeds/TRigControl.h"
#include "gui/cluster/TBandMapDock.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>

TClusterRoom::TClusterRoom(TfrmMain& window)
    : QObject(&window), fWindow(window), fLinks(window.StationLinks())
{
    fCluster = new TClusterClient(this);
    fBandMap = new TBandMapDock(window.DM(), &window, [&window] { return window.Now(); });
    fBandMap->setObjectName(QStringLiteral("dockBandMap"));
    window.addDockWidget(Qt::RightDockWidgetArea, fBandMap);
    fBandMap->hide();

    QMenu* server = window.MenuNamed(QStringLiteral("mnuServer"));
    server->addSeparator();
    fSwitch = server->addAction(QStringLiteral("C&luster"));
    fSwitch->setObjectName(QStringLiteral("mnuCluster"));
    fSwitch->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    fSwitch->setCheckable(true);
    connect(fSwitch, &QAction::triggered, this, [this] {
        RunGuarded(fWindow.Prompts(), &fWindow, [&] {
            if (fCluster->State() == TClusterClient::TState::Off) {
                SwitchOn();
            } else {
                SwitchOff();
            }
        });
        fSwitch->setChecked(fCluster->State() != TClusterClient::TState::Off);
    });
    fSpot = server->addAction(QStringLiteral("S&pot This Contact…"));
    fSpot->setObjectName(QStringLiteral("mnuSpotContact"));
    fSpot->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    connect(fSpot, &QAction::triggered, this,
            [this] { RunGuarded(fWindow.Prompts(), &fWindow, [&] { SpotContact(); }); });

    QAction* show = fBandMap->toggleViewAction();
    show->setObjectName(QStringLiteral("mnuBandMap"));
    show->setText(QStringLiteral("Band &Map"));
    QMenu* display = window.MenuNamed(QStringLiteral("mnuDisplay"));
    display->insertAction(display->actions().value(1), show);

    lblCluster = new QLabel(window.StatusPanel());
    lblCluster->setObjectName(QStringLiteral("lblCluster"));
    lblCluster->setTextFormat(Qt::PlainText);
    lblCluster->setFrameShape(QFrame::Panel);
    lblCluster->setFrameShadow(QFrame::Sunken);
    lblCluster->hide();
    window.StatusPanel()->layout()->addWidget(lblCluster);

    connect(fCluster, &TClusterClient::SpotReceived, fBandMap, &TBandMapDock::AddSpot);
    connect(fCluster, &TClusterClient::StateChanged, this, &TClusterRoom::ShowState);
    TRigControl& rig = fLinks.RigControl();
    connect(&rig, &TRigControl::FrequencyChanged, fBandMap, &TBandMapDock::SetRigFrequency);
    connect(&rig, &TRigControl::StateChanged, this, [this](TRigControl::TState state) {
        fBandMap->SetRigFrequency(state == TRigControl::TState::Off ? 0 : fLinks.RigControl().Frequency());
    });
    connect(&rig, &TRigControl::TuneFailed, this, [this](const QString& reason) {
        fWindow.StationLinksRoom().ShowNote(QStringLiteral("The rig was not tuned to the spot: ") + reason);
    });
    connect(fBandMap, &TBandMapDock::SpotChosen, this, &TClusterRoom::TakeSpot);
    connect(window.ModeBox(), &QComboBox::currentTextChanged, fBandMap, &TBandMapDock::SetEntryMode);
    fBandMap->SetEntryMode(window.ModeBox()->currentText());
    connect(&window, &TfrmMain::LogChanged, this, &TClusterRoom::Follow);
    Follow();
}

void TClusterRoom::Start()
{
    // The cluster logs in with the call sign of the log: switched on at start once a log is current.
    const TClusterSettings settings = ReadClusterSettings(fWindow.Settings(), QString());
    fAutoStartPending = settings.autoStart && !settings.login.host.isEmpty();
    fTable.clear();
    Follow();
}

bool TClusterRoom::SwitchOn()
{
    const TClusterSettings settings = ReadClusterSettings(fWindow.Settings(), fWindow.Mysettings().Callsign);
    if (settings.login.host.isEmpty()) {
        ShowCenteredMessage(fWindow.Prompts(), &fWindow,
                            QStringLiteral("No cluster is set. Enter the cluster's address as ClusterHost "
                                           "(and its port as ClusterPort) in %1.")
                                .arg(fWindow.Settings().Path()),
                            MsgKind::Information, MsgButton::OK);
        return false;
    }
    fBandMap->SetMaxAge(settings.spotAgeMinutes);
    fCluster->Start(settings.login);
    fSwitch->setChecked(true);
    fBandMap->show();
    fBandMap->raise();
    return true;
}

void TClusterRoom::SwitchOff()
{
    fCluster->Stop();
    fSwitch->setChecked(false);
}

void TClusterRoom::SpotContact()
{
    const QString call = fWindow.CallsignField()->text().trimmed();
    if (call.isEmpty()) {
        throw EVantrel(QStringLiteral("Type the call sign to spot into the entry form first."));
    }
    if (fCluster->State() != TClusterClient::TState::Connected) {
        throw EVantrel(QStringLiteral("The cluster is not connected: switch it on with Server > Cluster."));
    }
    const TRigControl& rig = fLinks.RigControl();
    qint64 hertz = 0;
    if (fLinks.RigControlEnable() && IsTenMetres(rig.Frequency())) {
        hertz = rig.Frequency();
    } else {
        const auto answer = fWindow.Prompts().Input(
            &fWindow, QStringLiteral("Spot This Contact"),
            QStringLiteral("Frequency of %1 in kHz (28000 to 29700)").arg(call), QString());
        if (!answer) {
            return;
        }
        const auto parsed = ParseSpotFrequency(*answer);
        if (!parsed) {
            throw EVantrel(
                QStringLiteral("\"%1\" is no frequency on 10 m: enter 28000 to 29700 kHz.").arg(*answer));
        }
        hertz = *parsed;
    }
    const QString comment = fWindow.ModeBox()->currentText();
    fCluster->SendSpot(hertz, call, comment);
}

void TClusterRoom::TakeSpot(const TSpot& spot)
{
    fWindow.TakeCall(spot.call, spot.mode);
    if (fLinks.RigControlEnable()) {
        const QString mode = spot.mode.isEmpty() ? fWindow.ModeBox()->currentText() : spot.mode;
        fLinks.RigControl().Tune(spot.hertz, RigModeForForm(mode));
    }
}

void TClusterRoom::Follow()
{
    const QString table = fWindow.HasCurrentLog() ? fWindow.Mysettings().TableName : QString();
    if (table != fTable) {
        fTable = table;
        fBandMap->SetLog(table, table.isEmpty() ? QString() : fWindow.Mysettings().ContestName);
        if (fAutoStartPending && !table.isEmpty()) {
            fAutoStartPending = false;
            try {
                SwitchOn();
            } catch (const EVantrel& e) {
                fWindow.StationLinksRoom().ShowNote(QStringLiteral("The cluster was not switched on: ") +
                                                    e.Message());
            }
        }
    } else if (!table.isEmpty()) {
        fBandMap->ContactsChanged();
    }
}

void TClusterRoom::RostersChanged()
{
    fBandMap->RostersChanged();
}

void TClusterRoom::ShowState()
{
    if (fCluster->State() == TClusterClient::TState::Off) {
        lblCluster->hide();
        return;
    }
    lblCluster->setText(QLatin1Char(' ') + fCluster->StatusText() + QLatin1Char(' '));
    lblCluster->setToolTip(fCluster->LostReason());
    lblCluster->show();
}
