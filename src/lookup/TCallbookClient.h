#pragma once

#include "TFccRec.h"
#include "data/Clock.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>
#include <memory>

class QNetworkAccessManager;
class TSettings;

// What a login reply carries.
struct TCallbookLogin
{
    QString error;
    QString key;
    QString message;
};

// What a call-sign reply carries: the record (the asked call sign, plus the station's data when the
// service holds it) and whether the service said that the session has expired.
struct TCallbookReply
{
    TFccRec rec;
    bool sessionExpired = false;
};

// URL-encodes a query value: ASCII letters and digits and ! $ ' ( ) * - . _ @ stay as they are, a space
// becomes "+", every other character becomes %XX (upper-case hex) for each byte of its UTF-8 form.
QString UrlEncode(const QString& text);

// A call sign for a request query: ordinary call signs (letters, digits, "/") go out as they are, any other
// character is URL-encoded so that it cannot end or extend the query.
QString UrlEncodeCallsign(const QString& callsign);

// Reads a stored session expiry. Expiries are written in ISO form, which reads the same in every locale;
// older texts in the regional format (or the default "01/01/2023") are read in the system's format, then
// as month/day/year and day/month/year. An invalid date-time comes back when nothing fits.
QDateTime ParseSessionExpiry(const QString& text);

// True for a session key the program keeps: 1 to 64 ASCII letters and digits. Keys go into the settings
// file and into request queries, so anything else in a reply's key (line breaks, "=", "&") is refused.
bool IsSessionKey(const QString& key);

// The on-line call-book clients share their session handling: one login yields a session key kept in
// memory and in the settings file with an expiry four hours after it was obtained; each call sign is one
// request whose XML reply fills a lookup result. A session the service reports as expired leads to one
// fresh login and one repeated request.
class TCallbookClient
{
public:
    static constexpr int kSessionHours = 4;
    static constexpr int kDefaultTimeoutMs = 30000;
    static constexpr int kMaxSessionKeyLength = 64;

    virtual ~TCallbookClient();
    TCallbookClient(const TCallbookClient&) = delete;
    TCallbookClient& operator=(const TCallbookClient&) = delete;

    // Logs in when needed (no session in this run and the stored key missing or expired), asks for the
    // call sign and returns the record. user and passwd are only used until a login has succeeded in this
    // run. Throws ENetworkError when the service does not answer, EVantrel when a login is refused, a
    // reply cannot be read or holds an unusable session key, or a login would send the password to an
    // address that is not https.
    TFccRec LookupCall(const QString& callsign, const QString& user, const QString& passwd);

    // The session key; setting it saves it with an expiry four hours from now.
    QString xmlsession() const { return fxmlsession; }
    void Setxmlsession(const QString& value);

    bool IsOnline() const { return fisonline; }
    QString XmlError() const { return fxmlerror; }
    QString XmlMessage() const { return fxmlmessage; }
    QUrl ServiceUrl() const { return dburl; }

    // The longest wait for one reply, in milliseconds.
    int Timeout() const { return fTimeoutMs; }
    void SetTimeout(int ms) { fTimeoutMs = ms; }

protected:
    struct TKeys
    {
        QString service;    // name shown in error texts
        QString sessionId;  // settings key of the session key
        QString sessionExp; // settings key of its expiry
        QString url;        // settings key of the service address
        QString defaultUrl; // the public service address
    };
    TCallbookClient(TSettings& settings, TClock clock, TKeys keys);

    // The query texts of the two requests, without the leading "?".
    virtual QString LoginQuery(const QString& user, const QString& password) const = 0;
    virtual QString CallQuery(const QString& session, const QString& callsign) const = 0;
    virtual TCallbookLogin ReadLogin(const QByteArray& reply) const = 0;
    virtual TCallbookReply ReadCall(const QByteArray& reply, const QString& callsign) = 0;

private:
    void Login();
    TCallbookReply RequestCall(const QString& callsign);
    QByteArray Get(const QString& query);

    TSettings& fSettings;
    TClock fClock;
    TKeys fKeys;
    QString fxmlerror;
    QString fxmlmessage;
    QString fxmlsession;
    QString fusername;
    QString fpassword;
    bool fisonline = false;
    QUrl dburl;
    int fTimeoutMs = kDefaultTimeoutMs;
    std::unique_ptr<QNetworkAccessManager> fManager;
};
