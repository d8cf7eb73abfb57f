#include "TStationLinks.h"

#include "FeedActions.h"
#include "IEntryForm.h"
#include "TCurrentLog.h"
#include "data/Errors.h"
#include "data/LogRules.h"
#include "data/MyFunc.h"
#include "data/Paths.h"
#include "data/ReferenceLookup.h"
#include "data/TDM.h"
#include "data/TSettings.h"
#include "feeds/ADIFReader.h"
#include "feeds/TFLDigiPoller.h"
#include "feeds/TFeedQueue.h"
#include "feeds/TLoggingServer.h"
#include "feeds/TRigControl.h"
#include "feeds/TWsjtxListener.h"
#include "lookup/TLookup.h"
#include "process/ADIFContact.h"
#include "process/ADIFRecordReader.h"

#include <QScopeGuard>
#include <QTimer>
#include <exception>

namespace {

const QString kNoLogForFLdigi = QStringLiteral(
    "No log is open. Select a log in the Logs list or create one with File > New: the FLdigi contact "
    "waits in its file until then.");

} // namespace

TStationLinks::TStationLinks(TDM& dm, TSettings& settings, TCurrentLog& log, TLookup& lookup,
                             IEntryForm& form, TClock clock, QObject* parent)
    : QObject(parent), fDM(dm), fSettings(settings), fLog(log), fLookup(lookup), fForm(form),
      fClock(std::move(clock)), fFLDigiLogFile(Paths::DefaultFldigiLogFile())
{
    fRig = std::make_unique<TRigControl>();
    fFeedQueue = std::make_unique<TFeedQueue>();
    fWSJTX = std::make_unique<TWsjtxListener>(*fFeedQueue, [this](const QByteArray& adif) {
        RunFeed(QStringLiteral("WSJT-X"), [&] { LogReportedContact(adif); });
    });
    // The server's datagrams share the feeds' ordered queue with the WSJT-X listener's.
    fServer = std::make_unique<TLoggingServer>(
        *fFeedQueue, [this](const TServerCommand& command) { ServerCommand(command); });
    fFLDigi = std::make_unique<TFLDigiPoller>(Paths::WorkFolder(), [this] { return fClock(); });
    fFLDigiTimer = new QTimer(this);
    fFLDigiTimer->setObjectName(QStringLiteral("FLDigiTimer"));
    connect(fFeedQueue.get(), &TFeedQueue::Dropped, this, &TStationLinks::ReportDrops);
    connect(fFLDigiTimer, &QTimer::timeout, this, &TStationLinks::FLDigiTimerTimer);
}

TStationLinks::~TStationLinks() = default;

void TStationLinks::ReadSettings()
{
    SetServerPort(fSettings.GetSetting(SettingKeys::ServerPort, fServerPort));
    fFLDigiLogFile = fSettings.GetSetting(SettingKeys::FLDigiLogFile, fFLDigiLogFile);
    fFLDigiAutoLog = fSettings.GetSetting(SettingKeys::FLDigiAutoLog, false);
    fFldigiInterval = fSettings.GetSetting(SettingKeys::FldigiFileChekInterval, fFldigiInterval);
}

template <typename F> void TStationLinks::RunFeed(const QString& source, F&& action)
{
    const bool wasBusy = fFeedBusy;
    fFeedBusy = true;
    const auto done = qScopeGuard([&] { fFeedBusy = wasBusy; });
    try {
        action();
    } catch (const EVantrel& e) {
        emit Problem(source + QStringLiteral(": ") + e.Message());
    } catch (const std::exception& e) {
        emit Problem(source + QStringLiteral(": ") + QString::fromLocal8Bit(e.what()));
    } catch (...) {
        emit Problem(source + QStringLiteral(": Unknown error"));
    }
}

// ---- The logging server ----

void TStationLinks::SetServerPort(int port)
{
    fServerPort = port;
    emit ServerPortChanged(port);
}

void TStationLinks::SaveServerPort(int port)
{
    SetServerPort(port);
    fSettings.SaveSetting(SettingKeys::ServerPort, port);
}

void TStationLinks::SetServerEnable(bool value)
{
    if (value) {
        RefuseUnusableValues(fSettings, TLink::Server);
        // A socket that cannot be opened leaves the link as it was.
        fServer->Open(quint16(fServerPort));
    } else {
        fServer->Close();
    }
    fServerEnable = value;
    emit Switched(TLink::Server, value);
    emit LinksChanged();
}

void TStationLinks::ServerCommand(const TServerCommand& command)
{
    RunFeed(QStringLiteral("Logging server"), [&] {
        if (const auto outcome = ApplyServerCommand(command, fForm)) {
            ReportServerLog(*outcome);
        }
    });
}

void TStationLinks::ReportServerLog(TLogResult::TOutcome outcome)
{
    // A LOG of the logging server: a contact that cannot be logged stays in the form, and the note says
    // why; the datagrams after it go on.
    switch (outcome) {
    case TLogResult::TOutcome::Logged:
        break;
    case TLogResult::TOutcome::NoLog:
        emit Problem(QStringLiteral("Logging server: %1 was not logged: no log is open. Select a log in the "
                                    "Logs list or create one with File > New.")
                         .arg(fForm.Call()));
        break;
    case TLogResult::TOutcome::Duplicate:
        emit Problem(QStringLiteral("Logging server: %1 is a duplicate in this log and was not logged; it "
                                    "stays in the entry form.")
                         .arg(fForm.Call()));
        break;
    }
}

void TStationLinks::ReportDrops()
{
    const qint64 contacts = fFeedQueue->DroppedContacts() - fReportedDroppedContacts;
    const qint64 others = fFeedQueue->DroppedOthers() - fReportedDroppedOthers;
    fReportedDroppedContacts = fFeedQueue->DroppedContacts();
    fReportedDroppedOthers = fFeedQueue->DroppedOthers();
    if (contacts > 0) {
        emit Problem(
            QStringLiteral("%1 contact(s) sent by other programs were lost: they arrived faster than "
                           "they could be logged (%2 other datagram(s) dropped as well).")
                .arg(contacts)
                .arg(others));
    } else if (others > 0) {
        emit Problem(QStringLiteral("%1 datagram(s) of other programs were dropped: they arrived faster than "
                                    "they could be handled. No contact was lost.")
                         .arg(others));
    }
}

// ---- WSJT-X / JTDX ----

void TStationLinks::SetWSJTXEnable(bool value)
{
    if (value) {
        RefuseUnusableValues(fSettings, TLink::Wsjtx);
        const int port = fSettings.GetSetting(SettingKeys::WSJTXPort, 2237);
        if (port < 1 || port > 65535) {
            throw EVantrel(
                QStringLiteral("The WSJT-X port %1 (setting WSJTXPort) is no port number").arg(port));
        }
        fWSJTX->Open(quint16(port), fSettings.GetSetting(SettingKeys::WSJTXGroup, ""),
                     fSettings.GetSetting(SettingKeys::WSJTXAllAddresses, false));
    } else {
        fWSJTX->Close();
    }
    fWSJTXEnable = value;
    emit Switched(TLink::Wsjtx, value);
    emit LinksChanged();
}

QString TStationLinks::WSJTXGroup() const
{
    return fSettings.GetSetting(SettingKeys::WSJTXGroup, "");
}

void TStationLinks::LogReportedContact(const QByteArray& adif)
{
    TADIFRecordReader reader(adif);
    TADIFRecord record;
    if (!reader.Next(record)) {
        return;
    }
    TCountryTable countries;
    countries.Load(fDM);
    tLogRecord rec;
    const QString reason = ContactFromADIF(record, countries, rec);
    if (!reason.isEmpty()) {
        emit Problem(QStringLiteral("The contact logged in WSJT-X could not be logged here: %1").arg(reason));
        return;
    }
    if (!fLog.IsCurrent() || fLog.Record().TableName.isEmpty()) {
        emit Problem(QStringLiteral("%1, logged in WSJT-X, was not logged here: no log is open. Select a log "
                                    "in the Logs list or create one with File > New.")
                         .arg(rec.call));
        return;
    }
    CompleteFeedContact(rec, QStringLiteral("WSJT-X"));
    const TLogResult result = LogContact(fDM, fLog.Record(), {rec});
    if (result.outcome == TLogResult::TOutcome::Duplicate) {
        emit Problem(
            QStringLiteral("%1, logged in WSJT-X, is a duplicate in this log and was not logged here.")
                .arg(rec.call));
        return;
    }
    fLog.RaiseCounters(result.score);
    emit ContactsChanged();
}

void TStationLinks::CompleteFeedContact(tLogRecord& rec, const QString& source)
{
    if (!fForm.AutoLookup() || rec.call.isEmpty()) {
        return;
    }
    TFccRec r;
    try {
        r = fLookup.LookupLocal(rec.call, fLog.Record().LookupType);
    } catch (const EVantrel& e) {
        // The contact is logged as it came; the note says why nothing was added.
        emit Problem(QStringLiteral("%1: %2 was not looked up: %3").arg(source, rec.call, e.Message()));
        return;
    }
    const auto fill = [](QString& field, const QString& value) {
        if (field.isEmpty()) {
            field = value;
        }
    };
    fill(rec.tenten, r.tenten);
    fill(rec.vp, r.vp);
    // The EPC and 070 numbers count, and show in the form, in an Open Season log only.
    if (fLog.Record().ContestName == Events::OpenSeason) {
        fill(rec.epc, r.EPC);
        fill(rec.p070, r.P070);
    }
    fill(rec.name, r.firstname.isEmpty() ? r.entityname : r.firstname);
    // "DX" (an FLdigi country without a state) stands for a country not yet named.
    if (rec.qth.isEmpty() || rec.qth == QStringLiteral("DX")) {
        if (r.country == QStringLiteral("United States") && !r.state.isEmpty()) {
            if (rec.qth.isEmpty()) {
                rec.qth = r.state;
                fill(rec.uscounty, r.county);
                rec.dxcc = 0;
            }
        } else {
            // The country of the call's prefix, as the entry form marks it for a typed call.
            const QString country = r.country.isEmpty() ? CountryOfCall(fDM, rec.call) : r.country;
            if (!country.isEmpty() && country != QStringLiteral("United States")) {
                rec.qth = country;
                rec.dxcc = GetDXCC(fDM, country);
            }
        }
    }
}

// ---- FLdigi ----

void TStationLinks::SetFLDigiEnable(bool value)
{
    if (value) {
        RefuseUnusableValues(fSettings, TLink::Fldigi);
        // A contact FLdigi wrote before polling was switched on is taken at the first poll, as a new one.
        fFLDigi->SetPath(fFLDigiLogFile);
        fFLDigi->Restart();
        fFLDigiTimer->setInterval(fFldigiInterval);
        fFLDigiTimer->start();
    } else {
        fFLDigiTimer->stop();
    }
    fFLDigiEnable = value;
    emit Switched(TLink::Fldigi, value);
    emit LinksChanged();
}

void TStationLinks::SetFLDigiSetup(const QString& path, bool autoLog, int interval)
{
    fFLDigiLogFile = path;
    fFLDigiAutoLog = autoLog;
    fFldigiInterval = interval;
    fSettings.SaveSetting(SettingKeys::FLDigiLogFile, fFLDigiLogFile);
    fSettings.SaveSetting(SettingKeys::FLDigiAutoLog, fFLDigiAutoLog);
    fSettings.SaveSetting(SettingKeys::FldigiFileChekInterval, fFldigiInterval);
}

void TStationLinks::FLDigiTimerTimer()
{
    // One contact at a time: while a datagram or an earlier file is being handled (a message box may be
    // open), the file waits for a later tick.
    if (fFeedBusy || fServer->IsHandling()) {
        return;
    }
    fServer->SetHeld(true);
    TFLDigiPoller::TResult result;
    RunFeed(QStringLiteral("FLdigi"), [&] {
        fFLDigi->SetPath(fFLDigiLogFile);
        result = fFLDigi->Poll([this](const tLogRecord& rec) { ProcessAdifContact(rec); });
    });
    fServer->SetHeld(false);
    if (!result.message.isEmpty()) {
        emit Problem(result.message);
    }
}

void TStationLinks::ProcessAdifLog(const QByteArray& data)
{
    ProcessAdifContact(ProcessADIFLine(data));
}

void TStationLinks::TestAdif()
{
    ProcessAdifLog(TFLDigiPoller::ReadLogFile(fFLDigiLogFile));
}

void TStationLinks::ProcessAdifContact(const tLogRecord& contact)
{
    if (!fLog.IsCurrent()) {
        throw EVantrel(kNoLogForFLdigi);
    }
    tLogRecord rec = contact;
    CompleteFeedContact(rec, QStringLiteral("FLdigi"));
    if (fFLDigiAutoLog) {
        // Logged without a duplicate check, as auto logging does; a duplicate is pointed out.
        rec.dxcc = GetDXCC(fDM, rec.qth);
        const TLogResult result = LogContact(fDM, fLog.Record(), {rec, TOnDuplicate::LogAnyway});
        if (result.outcome == TLogResult::TOutcome::NoLog) {
            throw EVantrel(kNoLogForFLdigi);
        }
        fLog.RaiseCounters(result.score);
        emit ContactsChanged();
        if (result.duplicate) {
            emit Problem(QStringLiteral("%1, logged from FLdigi, is a duplicate in this log (auto logging "
                                        "logs it all the same).")
                             .arg(rec.call));
        }
    } else {
        FillFormFromContact(rec, fForm);
    }
    fForm.AutoLookupCall();
}

// ---- Rig control ----

void TStationLinks::SetRigControlEnable(bool value)
{
    if (value) {
        RefuseUnusableValues(fSettings, TLink::Rig);
        const QString host = fSettings.GetSetting(SettingKeys::RigHost, "127.0.0.1");
        const int port = fSettings.GetSetting(SettingKeys::RigPort, 4532);
        if (port < 1 || port > 65535) {
            throw EVantrel(
                QStringLiteral("The rigctld port %1 (setting RigPort) is no port number").arg(port));
        }
        fRig->Start(host, quint16(port));
    } else {
        fRig->Stop();
    }
    fRigControlEnable = value;
    emit Switched(TLink::Rig, value);
    emit LinksChanged();
}
