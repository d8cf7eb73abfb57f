#include "Tqrzxml.h"

#include "XmlReply.h"
#include "data/Errors.h"
#include "data/TSettings.h"

namespace {

const QString kQrzService = QStringLiteral("QRZ XML");
const QString kQrzRoot = QStringLiteral("QRZDatabase");

int SessionOf(const XmlReply::TReply& doc)
{
    const int session = doc.Child(XmlReply::TReply::kRoot, QStringLiteral("Session"));
    if (session < 0) {
        throw EVantrel(
            QStringLiteral("The %1 service sent an unexpected reply (no Session element)").arg(kQrzService));
    }
    return session;
}

// The service reports an expired or unknown key in the session's Error text.
bool SessionExpired(const XmlReply::TReply& doc, int session)
{
    const QString error = doc.ChildText(session, QStringLiteral("Error")) + ' ' +
                          doc.Attribute(session, QStringLiteral("Error"));
    return error.contains(QStringLiteral("Session Timeout"), Qt::CaseInsensitive) ||
           error.contains(QStringLiteral("Invalid session key"), Qt::CaseInsensitive);
}

} // namespace

Tqrzxml::Tqrzxml(TSettings& settings, TClock clock)
    : TCallbookClient(
          settings, std::move(clock),
          {kQrzService, SettingKeys::QRZXMLSessionID, SettingKeys::QRZXMLSessionEXP, kUrlKey, kDefaultUrl})
{}

TCallbookLogin Tqrzxml::ParseLogin(const QByteArray& reply)
{
    const XmlReply::TReply doc = XmlReply::Parse(reply, kQrzService, kQrzRoot);
    const int session = SessionOf(doc);
    return {doc.ChildText(session, QStringLiteral("Error")), doc.ChildText(session, QStringLiteral("Key")),
            doc.ChildText(session, QStringLiteral("Message"))};
}

TCallbookReply Tqrzxml::ParseCall(const QByteArray& reply, const QString& callsign, QString* xmlText)
{
    const XmlReply::TReply doc = XmlReply::Parse(reply, kQrzService, kQrzRoot);
    if (xmlText) {
        *xmlText = doc.Source();
    }
    TCallbookReply result;
    result.sessionExpired = SessionExpired(doc, SessionOf(doc));
    result.rec.callsign = callsign;
    const int call = doc.Child(XmlReply::TReply::kRoot, QStringLiteral("Callsign"));
    if (call < 0) {
        return result;
    }
    auto text = [&](const char* name) { return doc.ChildText(call, QString::fromLatin1(name)); };
    TFccRec& rec = result.rec;
    rec.firstname = text("fname");
    rec.lastname = text("name");
    rec.address = text("addr1");
    rec.city = text("addr2");
    rec.state = text("state");
    rec.zipcode = text("zip");
    rec.county = text("county");
    rec.country = text("country");
    rec.grid = text("grid");
    rec.latitude = text("lat");
    rec.longitude = text("lon");
    return result;
}

QString Tqrzxml::LoginQuery(const QString& user, const QString& password) const
{
    return QStringLiteral("username=") + UrlEncode(user) + QStringLiteral(";password=") +
           UrlEncode(password) + QStringLiteral(";agent=vantrel1.0");
}

QString Tqrzxml::CallQuery(const QString& session, const QString& callsign) const
{
    return QStringLiteral("s=") + UrlEncode(session) + QStringLiteral("&callsign=") +
           UrlEncodeCallsign(callsign) + QStringLiteral("&agent=vantrel");
}

TCallbookLogin Tqrzxml::ReadLogin(const QByteArray& reply) const
{
    return ParseLogin(reply);
}

TCallbookReply Tqrzxml::ReadCall(const QByteArray& reply, const QString& callsign)
{
    return ParseCall(reply, callsign, &strXML);
}
