#pragma once

#include <QObject>
#include <QString>

class QDockWidget;
class TStatisticsPanel;
class TfrmMain;

// The statistics panel of the current log as a dock beside the entry form (Display > Statistics,
// Shift+F7): it follows the log the window makes current and every change of it.
class TStatisticsRoom : public QObject
{
    Q_OBJECT

public:
    explicit TStatisticsRoom(TfrmMain& window);

    QDockWidget* Dock() const { return fDock; }
    TStatisticsPanel* Panel() const { return fPanel; }

private:
    // Tells the panel which log is current, or that the current one changed.
    void Follow();

    TfrmMain& fWindow;
    QDockWidget* fDock = nullptr;
    TStatisticsPanel* fPanel = nullptr;
    QString fTable;
};
