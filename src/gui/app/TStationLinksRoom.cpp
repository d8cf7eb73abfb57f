#include "TStationLinksRoom.h"

#include "ui_TfrmMain.h"

#include "app/TCurrentLog.h"
#include "app/TStationLinks.h"
#include "data/Errors.h"
#include "data/MyFunc.h"
#include "data/Prompts.h"
#include "data/TSettings.h"
#include "feeds/TRigControl.h"
#include "feeds/TWsjtxListener.h"
#include "gui/feeds/TFLDigiConfig.h"

#include <QShortcut>
#include <QToolButton>

namespace {

const QString kPortMessage =
    QStringLiteral("This option will change the server port from the default of 8888 to\n"
                   "a port of your choosing. Make sure you de-conflit your port selection\n"
                   "with the list of wel-know and registered port from the extensive list at:\n"
                   "https://en.wikipedia.org/wiki/List_of_TCP_and_UDP_port_numbers");

} // namespace

TStationLinksRoom::TStationLinksRoom(Ui::TfrmMain& form, IPrompts& prompts, TStationLinks& links,
                                     TCurrentLog& log, TClock clock, QWidget* window)
    : QObject(window), ui(&form), fPrompts(prompts), fLinks(links), fLog(log), fClock(std::move(clock)),
      fWindow(window)
{
    // A switch that fails stays as it was, its tick included.
    connect(ui->mnuRigControl, &QAction::triggered, this, [this] {
        RunGuarded(fPrompts, fWindow, [&] { fLinks.SetRigControlEnable(!fLinks.RigControlEnable()); });
        ui->mnuRigControl->setChecked(fLinks.RigControlEnable());
    });
    connect(ui->mnuWSJTX, &QAction::triggered, this, [this] {
        RunGuarded(fPrompts, fWindow, [&] { fLinks.SetWSJTXEnable(!fLinks.WSJTXEnable()); });
        ui->mnuWSJTX->setChecked(fLinks.WSJTXEnable());
    });
    TRigControl& rig = fLinks.RigControl();
    connect(&rig, &TRigControl::StateChanged, this, &TStationLinksRoom::ShowRigState);
    connect(&rig, &TRigControl::FrequencyChanged, this, &TStationLinksRoom::ShowRigState);
    connect(&rig, &TRigControl::ModeChanged, this, &TStationLinksRoom::RigModeChanged);

    // Red on yellow, as the rig's warning: the operator must look, but nothing waits for an answer.
    lblFeedStatus = new QToolButton(ui->pnlStatus);
    lblFeedStatus->setObjectName(QStringLiteral("lblFeedStatus"));
    lblFeedStatus->setAutoRaise(true);
    lblFeedStatus->setFocusPolicy(Qt::NoFocus);
    lblFeedStatus->setStyleSheet(QStringLiteral(
        "QToolButton#lblFeedStatus { color: rgb(192, 0, 0); background-color: rgb(255, 255, 160); "
        "border: 1px solid rgb(192, 0, 0); }"));
    lblFeedStatus->hide();
    ui->pnlStatus->layout()->addWidget(lblFeedStatus);
    connect(lblFeedStatus, &QToolButton::clicked, lblFeedStatus, &QWidget::hide);
    connect(&fLinks, &TStationLinks::Problem, this, &TStationLinksRoom::ShowNote);
    connect(&fLinks, &TStationLinks::Switched, this, &TStationLinksRoom::ShowSwitched);
    connect(&fLinks, &TStationLinks::ServerPortChanged, this, &TStationLinksRoom::ShowServerPort);
    ui->lblServerRunning->hide();

    ui->mnuEnableServer->setCheckable(true);
    connect(ui->mnuConfigureServer, &QAction::triggered, this,
            [this] { RunGuarded(fPrompts, fWindow, [&] { mnuServerConfigClick(); }); });
    connect(ui->mnuEnableServer, &QAction::triggered, this,
            [this] { RunGuarded(fPrompts, fWindow, [&] { mnuServerEnableClick(); }); });
    connect(ui->mnuUseFLDigi, &QAction::triggered, this, [this] {
        RunGuarded(fPrompts, fWindow, [&] { fLinks.SetFLDigiEnable(!fLinks.FLDigiEnable()); });
        ui->mnuUseFLDigi->setChecked(fLinks.FLDigiEnable());
    });
    connect(ui->mnuFLdigiSetup, &QAction::triggered, this,
            [this] { RunGuarded(fPrompts, fWindow, [&] { FLdigiSetup1Click(); }); });
    connect(ui->mnuTestADIF, &QAction::triggered, this,
            [this] { RunGuarded(fPrompts, fWindow, [&] { fLinks.TestAdif(); }); });
    // The FLdigi items stay hidden in the menu, and a hidden action ignores its shortcut: the window
    // carries the two shortcuts itself.
    for (QAction* action : {ui->mnuUseFLDigi, ui->mnuFLdigiSetup}) {
        auto* shortcut = new QShortcut(action->shortcut(), window);
        connect(shortcut, &QShortcut::activated, action, &QAction::trigger);
    }
}

void TStationLinksRoom::ShowNote(const QString& text)
{
    // What another program sent may be long, or look like markup: shown cut and as plain text.
    const auto cut = [](const QString& line, qsizetype length) {
        return line.size() > length ? line.left(length) + QChar(0x2026) : line;
    };
    fFeedProblems.append(fClock().toUTC().toString(QStringLiteral("HH:mm:ss ")) + cut(text, 400));
    constexpr int kKept = 20;
    while (fFeedProblems.size() > kKept) {
        fFeedProblems.removeFirst();
    }
    // A button takes "&" for a keyboard mnemonic: doubled, it is shown as written.
    QString note = cut(text.section(QLatin1Char('\n'), 0, 0), 120);
    note.replace(QLatin1Char('&'), QStringLiteral("&&"));
    lblFeedStatus->setText(QLatin1Char(' ') + note + QLatin1Char(' '));
    QStringList tip;
    for (const QString& line : fFeedProblems) {
        tip << line.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    }
    lblFeedStatus->setToolTip(QStringLiteral("<qt>") + tip.join(QStringLiteral("<br>")) +
                              QStringLiteral("<br><i>Click to put this note away.</i></qt>"));
    lblFeedStatus->show();
}

QString TStationLinksRoom::FeedNote() const
{
    return lblFeedStatus->isHidden()
               ? QString()
               : lblFeedStatus->text().trimmed().replace(QStringLiteral("&&"), QStringLiteral("&"));
}

void TStationLinksRoom::ShowSwitched(TLink link, bool on)
{
    switch (link) {
    case TLink::Server:
        ui->lblServerRunning->setVisible(on);
        ui->mnuConfigureServer->setEnabled(!on);
        ui->mnuEnableServer->setChecked(on);
        break;
    case TLink::Wsjtx: {
        ui->mnuWSJTX->setChecked(on);
        const QString group = fLinks.WSJTXGroup();
        ui->lblWSJTXRunning->setText(QStringLiteral("WSJT-X - ") +
                                     (group.isEmpty() ? QString() : group + ':') +
                                     QString::number(fLinks.WSJTXListener().LocalPort()));
        ui->lblWSJTXRunning->setVisible(on);
        break;
    }
    case TLink::Fldigi:
        ui->mnuUseFLDigi->setChecked(on);
        break;
    case TLink::Rig:
        ui->mnuRigControl->setChecked(on);
        ShowRigState();
        break;
    case TLink::Lookup:
        break;
    }
}

void TStationLinksRoom::ShowServerPort(int port)
{
    ui->lblServerRunning->setText(QStringLiteral("Server Running - ") + QString::number(port));
}

void TStationLinksRoom::mnuServerEnableClick()
{
    // The menu ticks itself when clicked; the state is what counts.
    ui->mnuEnableServer->setChecked(fLinks.ServerEnable());
    fLinks.SetServerEnable(!fLinks.ServerEnable());
}

void TStationLinksRoom::mnuServerConfigClick()
{
    const QString answer = fPrompts.PortInput(fWindow, QStringLiteral("Change Server Port"), kPortMessage,
                                              QString::number(fLinks.ServerPort()));
    const int port = IsInteger(answer) ? answer.toInt() : 0;
    if (port < 1 || port > 65535) {
        ShowCenteredMessage(fPrompts, fWindow, QStringLiteral("Invalid port number, action terminated"),
                            MsgKind::Error, MsgButton::OK);
        return;
    }
    fLinks.SaveServerPort(port);
}

void TStationLinksRoom::FLdigiSetup1Click()
{
    TFLDigiConfig dialog(fPrompts, fLinks.FLDigiLogFile(), fLinks.FldigiInterval(), fLinks.FLDigiAutoLog(),
                         fWindow);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    fLinks.SetFLDigiSetup(dialog.Path(), dialog.AutoLog(), dialog.Interval());
}

void TStationLinksRoom::ShowRigState()
{
    QLabel* label = ui->lblRig;
    const TRigControl& rig = fLinks.RigControl();
    const QString where = rig.Host() + QLatin1Char(':') + QString::number(rig.Port());
    // Red on yellow: the operator must look (no rig, or a rig outside the band of the contest).
    const QString warning = QStringLiteral("color: rgb(192, 0, 0); background-color: rgb(255, 255, 160);");
    switch (rig.State()) {
    case TRigControl::TState::Off:
        label->hide();
        label->clear();
        return;
    case TRigControl::TState::Connecting:
        label->setText(QStringLiteral(" Rig: connecting "));
        label->setToolTip(QStringLiteral("Connecting to rigctld at %1").arg(where));
        label->setStyleSheet(QString());
        break;
    case TRigControl::TState::Lost:
        // The status bar has room for the state; the address and the reason are in the tip.
        label->setText(QStringLiteral(" Rig: no connection, retrying "));
        label->setToolTip(QStringLiteral("No connection to rigctld at %1: %2").arg(where, rig.LostReason()));
        label->setStyleSheet(warning);
        break;
    case TRigControl::TState::Connected: {
        const qint64 hertz = rig.Frequency();
        label->setText(QStringLiteral(" Rig: ") + FrequencyText(hertz) + QLatin1Char(' '));
        label->setToolTip(IsTenMetres(hertz) ? QString()
                                             : QStringLiteral("The rig is outside the 10 m band"));
        label->setStyleSheet(IsTenMetres(hertz) ? QString() : warning);
        break;
    }
    }
    label->show();
}

void TStationLinksRoom::RigModeChanged(const QString& mode)
{
    const QString formMode = FormModeForRig(mode, DigitalModeOfLog(fLog.Record().ContestMode));
    if (formMode.isEmpty()) {
        return;
    }
    const int index = ui->cboMode->findText(formMode, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) {
        ui->cboMode->setCurrentIndex(index);
    }
    ui->cboMode->setEditText(formMode);
}
