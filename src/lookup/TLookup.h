#pragma once

#include "TFccRec.h"
#include "THamUtil.h"
#include "data/Clock.h"

#include <QString>
#include <memory>

class IPrompts;
class QWidget;
class TDM;
class TSettings;
class TFCCLookup;
class Tqrzxml;
class THamQTHxml;

// The lookup sources, in the order of the setup dialog's source list.
namespace LookupTypes {
constexpr int None = 0;
constexpr int QRZCD = 1;
constexpr int QRZXML = 2;
constexpr int Hamcall = 3;
constexpr int Orvane = 4;
constexpr int FCCLookup = 5;
constexpr int BuckmasterCD = 6;
constexpr int HamQTHXML = 7;
} // namespace LookupTypes

// Turns one call sign into one lookup result: asks the log's one lookup source, completes a licence
// result from the postal data (county, position, grid) and the prefix table (country), then adds the club
// roster numbers for every source. One object serves the whole run; the licence lookup and the two
// on-line clients are created on first use and kept.
class TLookup
{
public:
    // The data module gives the four connections, the settings the data folders, the service addresses
    // and (in Mysettings) the log's credentials; the prompts show the missing-file and invalid-locator
    // warnings, centred on the window.
    TLookup(TDM& dm, TSettings& settings, IPrompts& prompts, QWidget* window = nullptr,
            TClock clock = SystemNow);
    ~TLookup();
    TLookup(const TLookup&) = delete;
    TLookup& operator=(const TLookup&) = delete;

    // Looks the call sign up with lookup type index (LookupTypes). Always returns a record; an empty
    // callsign means nothing was found. Database, network and service errors are thrown (EVantrel and
    // its kinds) for the window that started the lookup to show.
    TFccRec LookupCall(const QString& value, int index);

    // The same lookup from this computer's own data alone, for contacts that other programs log: the
    // licence data of the licence sources (when its file is there; the postal data completes it when that
    // file is there too) and the club rosters, for every source. Never a network service and never a
    // message box. An empty callsign means nothing was found. Errors of the data files are thrown.
    TFccRec LookupLocal(const QString& value, int index);

    // The XML text of the last QRZ call-sign reply; empty before the first QRZ lookup of the run.
    QString GetQRZ_XML() const;

    // The country of a call sign on its own: always empty text. The country of a looked-up call comes
    // with LookupCall's record.
    QString GetCountry(const QString& callsign) const;

    // The locator calculations, warning through the same prompts.
    const THamUtil& HamUtil() const { return fHamUtil; }

    // The longest wait for one reply of an on-line service, in milliseconds (30 s unless set).
    void SetNetworkTimeout(int ms);

private:
    TFccRec LicenceLookup(const QString& value, int index);
    // The licence data file of a licence source.
    QString LicenceFile(int index) const;
    void CompleteFromLocalData(TFccRec& rec);

    TDM& fDM;
    TSettings& fSettings;
    IPrompts& fPrompts;
    QWidget* fWindow;
    TClock fClock;
    int fTimeoutMs;
    THamUtil fHamUtil;
    std::unique_ptr<TFCCLookup> FCCLookup;
    std::unique_ptr<Tqrzxml> fQRZ;
    std::unique_ptr<THamQTHxml> fHamQTH;
};
