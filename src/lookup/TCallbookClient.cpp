#include "TCallbookClient.h"

#include "XmlReply.h"
#include "data/Errors.h"
#include "data/MyFunc.h"
#include "data/TSettings.h"

#include <QLocale>
#include <QNetworkAccessManager>

QString UrlEncode(const QString& text)
{
    static const QByteArray kept = QByteArrayLiteral("!$'()*-._@");
    QString result;
    for (const char c : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
            kept.contains(c)) {
            result += QChar(byte);
        } else if (byte == ' ') {
            result += '+';
        } else {
            result += QStringLiteral("%%1").arg(uint(byte), 2, 16, QChar('0')).toUpper();
        }
    }
    return result;
}

QString UrlEncodeCallsign(const QString& callsign)
{
    return UrlEncode(callsign).replace(QStringLiteral("%2F"), QStringLiteral("/"));
}

bool IsSessionKey(const QString& key)
{
    if (key.isEmpty() || key.size() > TCallbookClient::kMaxSessionKeyLength) {
        return false;
    }
    for (const QChar c : key) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return true;
}

QDateTime ParseSessionExpiry(const QString& text)
{
    const QString value = text.trimmed();
    QDateTime result = QDateTime::fromString(value, Qt::ISODate);
    if (result.isValid()) {
        return result;
    }
    const QLocale system = QLocale::system();
    for (const auto format : {QLocale::ShortFormat, QLocale::LongFormat}) {
        result = system.toDateTime(value, format);
        if (result.isValid()) {
            return result;
        }
    }
    for (const char* format :
         {"M/d/yyyy h:mm:ss AP", "M/d/yyyy h:mm:ss", "M/d/yyyy h:mm AP", "M/d/yyyy h:mm", "M/d/yyyy",
          "d/M/yyyy H:mm:ss", "d/M/yyyy H:mm", "d/M/yyyy", "d.M.yyyy H:mm:ss", "d.M.yyyy H:mm", "d.M.yyyy"}) {
        result = QDateTime::fromString(value, QString::fromLatin1(format));
        if (result.isValid()) {
            return result;
        }
    }
    return QDateTime();
}

TCallbookClient::TCallbookClient(TSettings& settings, TClock clock, TKeys keys)
    : fSettings(settings), fClock(std::move(clock)), fKeys(std::move(keys)),
      dburl(fSettings.GetSetting(fKeys.url, fKeys.defaultUrl)),
      fManager(std::make_unique<QNetworkAccessManager>())
{}

TCallbookClient::~TCallbookClient() = default;

void TCallbookClient::Setxmlsession(const QString& value)
{
    fxmlsession = value;
    fSettings.SaveSetting(fKeys.sessionId, value);
    fSettings.SaveSetting(fKeys.sessionExp, fClock().addSecs(kSessionHours * 3600).toString(Qt::ISODate));
}

TFccRec TCallbookClient::LookupCall(const QString& callsign, const QString& user, const QString& passwd)
{
    if (!fisonline) {
        fusername = user;
        fpassword = passwd;
        fxmlsession = fSettings.GetSetting(fKeys.sessionId, QString());
        if (!IsSessionKey(fxmlsession)) {
            fxmlsession.clear(); // a damaged stored key is never sent: log in afresh
        }
        // An expiry that cannot be read counts as past: one login too many is harmless.
        const QDateTime expiry = ParseSessionExpiry(fSettings.GetSetting(fKeys.sessionExp, "01/01/2023"));
        if (fxmlsession.isEmpty() || !expiry.isValid() || expiry < fClock()) {
            Login();
        }
    }
    TCallbookReply reply = RequestCall(callsign);
    if (reply.sessionExpired) {
        // The key is no longer accepted: log in afresh once and ask once more, whatever that answer is.
        fisonline = false;
        Login();
        reply = RequestCall(callsign);
    }
    return reply.rec;
}

void TCallbookClient::Login()
{
    // The password travels in the login query: only an encrypted connection may carry it, whatever the
    // service address in the settings says.
    if (dburl.scheme().compare(QStringLiteral("https"), Qt::CaseInsensitive) != 0) {
        throw EVantrel(
            QStringLiteral("%1 login not sent: the service address %2 is not https, and the password "
                           "is only sent over an encrypted connection. Correct %3 in %4.")
                .arg(fKeys.service, dburl.toDisplayString(QUrl::RemoveUserInfo | QUrl::RemoveQuery),
                     fKeys.url, fSettings.Path()));
    }
    const TCallbookLogin login = ReadLogin(Get(LoginQuery(fusername, fpassword)));
    if (!login.key.isEmpty() && !IsSessionKey(login.key)) {
        // Kept as received, such a key could write lines of its own into the settings file.
        fxmlerror = QStringLiteral("the reply holds an unusable session key");
        fisonline = false;
        throw EVantrel(QStringLiteral("%1 login failed: %2").arg(fKeys.service, fxmlerror));
    }
    fxmlerror = login.error;
    Setxmlsession(login.key);
    fxmlmessage = login.message;
    fisonline = fxmlerror.isEmpty() && !fxmlsession.isEmpty();
    if (!fisonline) {
        // Without a session the service can only refuse the call-sign request: say why instead.
        const QString reason = fxmlerror.trimmed().isEmpty()
                                   ? QStringLiteral("the reply holds no session key")
                                   : fxmlerror.trimmed();
        throw EVantrel(QStringLiteral("%1 login failed: %2").arg(fKeys.service, reason));
    }
}

TCallbookReply TCallbookClient::RequestCall(const QString& callsign)
{
    return ReadCall(Get(CallQuery(fxmlsession, callsign)), callsign);
}

QByteArray TCallbookClient::Get(const QString& query)
{
    return HttpGet(QUrl(dburl.toString() + '?' + query), fTimeoutMs, fManager.get(), XmlReply::kMaxBytes);
}
