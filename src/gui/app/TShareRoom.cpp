#include "TShareRoom.h"

#include "TStationLinksRoom.h"
#include "TfrmMain.h"
#include "app/LogContact.h"
#include "data/Errors.h"
#include "data/Prompts.h"
#include "gui/sync/TfrmShareLog.h"
#include "gui/sync/TfrmSharePositions.h"
#include "sync/TSharedLog.h"

#include <QAction>
#include <QLabel>
#include <QLayout>
#include <QMenu>

TShareRoom::TShareRoom(TfrmMain& window)
    : QObject(&window), fWindow(window), fShare(std::make_unique<TSharedLog>(window.DM()))
{
    fShare->SetRemoteLogging(RemoteContactLogging(window.DM()));

    QMenu* file = window.MenuNamed(QStringLiteral("mnuFile"));
    auto* share = new QAction(QStringLiteral("S&hare This Log…"), &window);
    share->setObjectName(QStringLiteral("mnuShareLog"));
    // Before the separator above Exit.
    QAction* before = nullptr;
    for (QAction* action : file->actions()) {
        if (action->isSeparator()) {
            before = action;
        }
    }
    file->insertAction(before, share);
    connect(share, &QAction::triggered, this,
            [this] { RunGuarded(fWindow.Prompts(), &fWindow, [&] { ShareCurrentLog(); }); });

    QMenu* display = window.MenuNamed(QStringLiteral("mnuDisplay"));
    auto* positions = new QAction(QStringLiteral("&Positions"), &window);
    positions->setObjectName(QStringLiteral("mnuPositions"));
    display->insertAction(display->actions().value(2), positions);
    connect(positions, &QAction::triggered, this, &TShareRoom::ShowPositions);

    lblShare = new QLabel(window.StatusPanel());
    lblShare->setObjectName(QStringLiteral("lblShare"));
    lblShare->setTextFormat(Qt::PlainText);
    lblShare->setFrameShape(QFrame::Panel);
    lblShare->setFrameShadow(QFrame::Sunken);
    lblShare->hide();
    window.StatusPanel()->layout()->addWidget(lblShare);

    connect(fShare.get(), &TSharedLog::StatusChanged, this, &TShareRoom::ShowStatus);
    connect(fShare.get(), &TSharedLog::RemoteChanges, this, [this](const QList<TRemoteChange>& changes) {
        const QString table = fWindow.HasCurrentLog() ? fWindow.Mysettings().TableName : QString();
        for (const TRemoteChange& change : changes) {
            if (!table.isEmpty() && change.table == table) {
                RunGuarded(fWindow.Prompts(), &fWindow, [&] {
                    fWindow.RecountScores();
                    fWindow.LogTableChanged();
                });
                return;
            }
        }
    });
    connect(fShare.get(), &TSharedLog::LogJoined, this, [this] {
        // The list of logs, when it is what the window shows, gets the log made from the server's copy.
        if (!fWindow.HasCurrentLog()) {
            RunGuarded(fWindow.Prompts(), &fWindow, [&] { fWindow.DoOpen(); });
        }
    });
    connect(&window, &TfrmMain::Closing, fShare.get(), &TSharedLog::Stop);
}

void TShareRoom::Start()
{
    const TShareSettings settings = ReadShareSettings(fWindow.Settings());
    if (settings.joinAtStart && !settings.log.isEmpty()) {
        try {
            fShare->Start(settings);
        } catch (const EVantrel& e) {
            fWindow.StationLinksRoom().ShowNote(
                QStringLiteral("The log %1 was not shared at start: %2").arg(settings.log, e.Message()));
        }
    }
}

TShareRoom::~TShareRoom()
{
    delete fPositions;
}

void TShareRoom::ShareCurrentLog()
{
    if (!fWindow.HasCurrentLog() || fWindow.Mysettings().TableName.isEmpty()) {
        throw EVantrel(QStringLiteral("No log is open. Select a log in the Logs list or create one with "
                                      "File > New, then share it."));
    }
    TShareSettings settings = ReadShareSettings(fWindow.Settings());
    settings.log = fWindow.Mysettings().TableName;
    TfrmShareLog dialog(fWindow.Prompts(), settings, &fWindow);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    SaveShareSettings(fWindow.Settings(), dialog.Settings());
    fShare->Start(dialog.Settings());
}

void TShareRoom::ShowPositions()
{
    if (!fPositions) {
        fPositions = new TfrmSharePositions(*fShare, &fWindow);
        fPositions->setWindowFlag(Qt::Window);
        fPositions->setObjectName(QStringLiteral("frmSharePositions"));
    }
    fPositions->show();
    fPositions->raise();
    fPositions->activateWindow();
}

void TShareRoom::ShowStatus(const TShareStatus& status)
{
    const QString text = status.Text();
    if (text.isEmpty()) {
        lblShare->hide();
        return;
    }
    lblShare->setText(QLatin1Char(' ') + text + QLatin1Char(' '));
    lblShare->setToolTip(status.error);
    lblShare->show();
}
