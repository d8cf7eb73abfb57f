#include "THamQTHxml.h"

#include "XmlReply.h"
#include "data/TSettings.h"

namespace {

const QString kHamQTHService = QStringLiteral("HamQTH XML");
const QString kHamQTHRoot = QStringLiteral("HamQTH");

} // namespace

THamQTHxml::THamQTHxml(TSettings& settings, TClock clock)
    : TCallbookClient(
          settings, std::move(clock),
          {kHamQTHService, SettingKeys::HamQTHSessionID, SettingKeys::HamQTHSessionEXP, kUrlKey, kDefaultUrl})
{}

TCallbookLogin THamQTHxml::ParseLogin(const QByteArray& reply)
{
    const XmlReply::TReply doc = XmlReply::Parse(reply, kHamQTHService, kHamQTHRoot);
    const int session = doc.Child(XmlReply::TReply::kRoot, QStringLiteral("session"));
    return {doc.ChildText(session, QStringLiteral("error")),
            doc.ChildText(session, QStringLiteral("session_id")),
            doc.ChildText(session, QStringLiteral("message"))};
}

TCallbookReply THamQTHxml::ParseCall(const QByteArray& reply, const QString& callsign)
{
    const XmlReply::TReply doc = XmlReply::Parse(reply, kHamQTHService, kHamQTHRoot);
    TCallbookReply result;
    result.rec.callsign = callsign;
    const int session = doc.Child(XmlReply::TReply::kRoot, QStringLiteral("session"));
    if (session >= 0) {
        const QString error = doc.ChildText(session, QStringLiteral("error")) + ' ' +
                              doc.Attribute(session, QStringLiteral("error"));
        result.sessionExpired =
            error.contains(QStringLiteral("Session does not exist or expired"), Qt::CaseInsensitive) ||
            error.contains(QStringLiteral("Session Timeout"), Qt::CaseInsensitive);
    }
    const int search = doc.Child(XmlReply::TReply::kRoot, QStringLiteral("search"));
    if (search < 0) {
        return result;
    }
    auto text = [&](const char* name) { return doc.ChildText(search, QString::fromLatin1(name)); };
    TFccRec& rec = result.rec;
    rec.firstname = text("nick");
    rec.entityname = text("adr_name");
    // The three street lines, each followed by one space.
    rec.address = text("adr_street1") + ' ' + text("adr_street2") + ' ' + text("adr_street3") + ' ';
    rec.city = text("adr_city");
    rec.state = text("us_state");
    rec.zipcode = text("adr_zip");
    rec.county = text("us_county");
    rec.country = text("adr_country");
    rec.grid = text("grid");
    rec.latitude = text("latitude");
    rec.longitude = text("longitude");
    return result;
}

QString THamQTHxml::LoginQuery(const QString& user, const QString& password) const
{
    return QStringLiteral("u=") + UrlEncode(user) + QStringLiteral("&p=") + UrlEncode(password);
}

QString THamQTHxml::CallQuery(const QString& session, const QString& callsign) const
{
    return QStringLiteral("id=") + UrlEncode(session) + QStringLiteral("&callsign=") +
           UrlEncodeCallsign(callsign) + QStringLiteral("&agent=vantrel");
}

TCallbookLogin THamQTHxml::ReadLogin(const QByteArray& reply) const
{
    return ParseLogin(reply);
}

TCallbookReply THamQTHxml::ReadCall(const QByteArray& reply, const QString& callsign)
{
    return ParseCall(reply, callsign);
}
