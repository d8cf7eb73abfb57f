#include "TStatisticsRoom.h"

#include "TfrmMain.h"
#include "gui/stats/TStatisticsPanel.h"

#include <QAction>
#include <QDockWidget>
#include <QMenu>

TStatisticsRoom::TStatisticsRoom(TfrmMain& window) : QObject(&window), fWindow(window)
{
    fDock = new QDockWidget(QStringLiteral("Statistics"), &window);
    fDock->setObjectName(QStringLiteral("dockStatistics"));
    fPanel = new TStatisticsPanel(
        window.DM(), window.Settings(), window.Prompts(), [&window] { return window.Now(); }, fDock);
    fDock->setWidget(fPanel);
    window.addDockWidget(Qt::RightDockWidgetArea, fDock);
    fDock->hide();

    QAction* show = fDock->toggleViewAction();
    show->setObjectName(QStringLiteral("mnuStatistics"));
    show->setText(QStringLiteral("&Statistics"));
    // F7 is Options > Update Grid Locator.
    show->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F7));
    QMenu* display = window.MenuNamed(QStringLiteral("mnuDisplay"));
    display->insertAction(display->actions().value(0), show);

    connect(&window, &TfrmMain::LogChanged, this, &TStatisticsRoom::Follow);
    Follow();
}

void TStatisticsRoom::Follow()
{
    const QString table = fWindow.HasCurrentLog() ? fWindow.Mysettings().TableName : QString();
    if (table != fTable) {
        fTable = table;
        fPanel->SetLog(table);
    } else if (!table.isEmpty()) {
        fPanel->LogChanged();
    }
}
