#pragma once

#include "data/Clock.h"
#include "settings/StationSettings.h"

#include <QObject>
#include <QStringList>

class IPrompts;
class QToolButton;
class QWidget;
class TCurrentLog;
class TStationLinks;

namespace Ui {
class TfrmMain;
}

// The station links in the window (see TStationLinks): the Server menu's switches and setups of the
// logging server, WSJT-X / JTDX, FLdigi and rig control, their labels in the status bar (server port,
// WSJT-X port, the rig's state and frequency), the entry form's mode following the rig, and the note in
// the status bar where the feeds' troubles are shown: the latest one, with the recent ones in its tip.
// Feeds never stop for a message box; a click on the note puts it away.
class TStationLinksRoom : public QObject
{
    Q_OBJECT

public:
    TStationLinksRoom(Ui::TfrmMain& form, IPrompts& prompts, TStationLinks& links, TCurrentLog& log,
                      TClock clock, QWidget* window);

    // Shows a trouble in the note of the status bar (never a box): a feed's, or another room's.
    void ShowNote(const QString& text);
    // The note as shown, empty while it is put away.
    QString FeedNote() const;
    // The recent troubles, each with its time (UTC), oldest first.
    QStringList FeedProblems() const { return fFeedProblems; }

    // Server > Configure Server: asks for the port the server opens the next time it is switched on.
    void mnuServerConfigClick();
    void mnuServerEnableClick();
    // The FLdigi setup: log file, interval and auto logging.
    void FLdigiSetup1Click();

private:
    void ShowSwitched(TLink link, bool on);
    void ShowServerPort(int port);
    void ShowRigState();
    void RigModeChanged(const QString& mode);

    Ui::TfrmMain* ui;
    IPrompts& fPrompts;
    TStationLinks& fLinks;
    TCurrentLog& fLog;
    TClock fClock;
    QWidget* fWindow;
    QToolButton* lblFeedStatus = nullptr;
    QStringList fFeedProblems;
};
