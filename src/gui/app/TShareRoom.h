#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

class QAction;
class QLabel;
class TSharedLog;
class TfrmMain;
class TfrmSharePositions;
struct TShareStatus;

// Sharing the current log with the other positions of a club station through the club's PostgreSQL
// server: File > Share This Log…, Display > Positions, the sharing's state in the status bar, joining at
// start when the settings ask for it. The other positions' contacts are stored through the program's one
// storing path and shown as any change of the log is (counters, dupe list, recent contacts, LogChanged).
class TShareRoom : public QObject
{
    Q_OBJECT

public:
    explicit TShareRoom(TfrmMain& window);
    ~TShareRoom() override;

    // At start: joins the shared log when the settings ask for it (ShareAtStart); trouble is a status note.
    void Start();

    // File > Share This Log…: the dialog for the current log; once accepted its settings are stored and
    // the sharing starts.
    void ShareCurrentLog();
    // Display > Positions: the list of positions, a window of its own.
    void ShowPositions();

    TSharedLog& Share() { return *fShare; }

private:
    void ShowStatus(const TShareStatus& status);

    TfrmMain& fWindow;
    std::unique_ptr<TSharedLog> fShare;
    QLabel* lblShare = nullptr;
    QPointer<TfrmSharePositions> fPositions;
};
