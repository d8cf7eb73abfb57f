#pragma once

#include "app/LogContact.h"
#include "data/Clock.h"
#include "settings/StationSettings.h"

#include <QObject>
#include <QString>
#include <memory>

class IEntryForm;
class QTimer;
class TCurrentLog;
class TDM;
class TFLDigiPoller;
class TFeedQueue;
class TLoggingServer;
class TLookup;
class TRigControl;
class TSettings;
class TWsjtxListener;
struct TServerCommand;
struct tLogRecord;

// The links to the station's other programs: the logging server (UDP datagrams that fill the entry form
// and log it), the WSJT-X / JTDX listener (contacts logged there are logged here), FLdigi polling (each
// contact FLdigi writes into its log file is logged at once or put into the entry form) and rig control
// through rigctld. The server and the listener share one ordered queue of datagrams, and one contact is
// handled at a time: while a feed's contact is being handled (FeedBusy) the others wait. Every link is off
// at start. A feed never stops for a box: its troubles are signalled as Problem, and it goes on.
class TStationLinks : public QObject
{
    Q_OBJECT

public:
    TStationLinks(TDM& dm, TSettings& settings, TCurrentLog& log, TLookup& lookup, IEntryForm& form,
                  TClock clock, QObject* parent = nullptr);
    ~TStationLinks() override;

    // Reads the values the links keep from the settings: the server port and FLdigi's file, interval and
    // auto logging. The values now in use are the defaults.
    void ReadSettings();

    // The logging server. Switching it on opens its port; a port that cannot be opened leaves it off.
    bool ServerEnable() const { return fServerEnable; }
    void SetServerEnable(bool value);
    int ServerPort() const { return fServerPort; }
    // The port the server opens the next time it is switched on; SaveServerPort keeps it in the settings.
    void SetServerPort(int port);
    void SaveServerPort(int port);
    TLoggingServer& Server() { return *fServer; }
    // Carries out one command received by the server.
    void ServerCommand(const TServerCommand& command);

    // WSJT-X / JTDX logging: port and multicast group come from the settings.
    bool WSJTXEnable() const { return fWSJTXEnable; }
    void SetWSJTXEnable(bool value);
    TWsjtxListener& WSJTXListener() { return *fWSJTX; }
    // The multicast group the listener was opened for, as the settings name it now.
    QString WSJTXGroup() const;
    // Logs the contact of one ADIF record that WSJT-X or JTDX reported.
    void LogReportedContact(const QByteArray& adif);

    // FLdigi polling: the file is read at every tick of FLDigiTimer.
    bool FLDigiEnable() const { return fFLDigiEnable; }
    void SetFLDigiEnable(bool value);
    QString FLDigiLogFile() const { return fFLDigiLogFile; }
    bool FLDigiAutoLog() const { return fFLDigiAutoLog; }
    int FldigiInterval() const { return fFldigiInterval; }
    // New values from the FLdigi setup, stored: a new path and auto-log flag count from the next tick, a new
    // interval from the next switching on.
    void SetFLDigiSetup(const QString& path, bool autoLog, int interval);
    QTimer* FLDigiTimer() const { return fFLDigiTimer; }
    void FLDigiTimerTimer();
    // Takes the whole text of one FLdigi log file (its bytes) as one contact.
    void ProcessAdifLog(const QByteArray& data);
    // Reads the FLdigi log file and processes it once, without deleting it.
    void TestAdif();

    // Rig control through rigctld: host and port come from the settings.
    bool RigControlEnable() const { return fRigControlEnable; }
    void SetRigControlEnable(bool value);
    TRigControl& RigControl() { return *fRig; }

    // The ordered queue of the live feeds' datagrams.
    TFeedQueue& FeedQueue() { return *fFeedQueue; }
    // True while a contact of a feed is being handled.
    bool FeedBusy() const { return fFeedBusy; }

signals:
    // A link was switched on or off (emitted before LinksChanged).
    void Switched(TLink link, bool on);
    void ServerPortChanged(int port);
    // A link switched on or off.
    void LinksChanged();
    // The current log's contacts changed: a feed logged a contact.
    void ContactsChanged();
    // A trouble of a feed, for the operator to read: a duplicate, a contact that could not be logged,
    // contacts lost to a flood.
    void Problem(const QString& text);

private:
    // Runs the handling of something a feed delivered: a failure is signalled as a Problem, never thrown,
    // and the feeds go on.
    template <typename F> void RunFeed(const QString& source, F&& action);
    // Fills the empty fields of a contact that another program logged from this computer's own data, as a
    // lookup of the typed call would fill the form (only while lookup is on; never from the network).
    void CompleteFeedContact(tLogRecord& rec, const QString& source);
    // The contact of an FLdigi file: logged at once or put into the entry form.
    void ProcessAdifContact(const tLogRecord& rec);
    void ReportServerLog(TLogResult::TOutcome outcome);
    void ReportDrops();

    TDM& fDM;
    TSettings& fSettings;
    TCurrentLog& fLog;
    TLookup& fLookup;
    IEntryForm& fForm;
    TClock fClock;

    // The one ordered queue of the datagrams of the logging server and the WSJT-X listener; it outlives
    // both.
    std::unique_ptr<TFeedQueue> fFeedQueue;
    std::unique_ptr<TRigControl> fRig;
    std::unique_ptr<TWsjtxListener> fWSJTX;
    std::unique_ptr<TLoggingServer> fServer;
    std::unique_ptr<TFLDigiPoller> fFLDigi;
    QTimer* fFLDigiTimer = nullptr;

    bool fServerEnable = false;
    int fServerPort = 8888;
    bool fWSJTXEnable = false;
    bool fFLDigiEnable = false;
    QString fFLDigiLogFile;
    bool fFLDigiAutoLog = false;
    int fFldigiInterval = 1000;
    bool fRigControlEnable = false;
    // True while a contact of either feed is being handled: the other feed waits.
    bool fFeedBusy = false;
    qint64 fReportedDroppedContacts = 0;
    qint64 fReportedDroppedOthers = 0;
};
