#pragma once

#include "TCallbookClient.h"

// Client of the HamQTH XML call-book service, reached over HTTPS.
class THamQTHxml : public TCallbookClient
{
public:
    // Settings key of the service address and its default.
    static inline const QString kUrlKey = QStringLiteral("HamQTHUrl");
    static inline const QString kDefaultUrl = QStringLiteral("https://www.hamqth.com/xml.php");

    explicit THamQTHxml(TSettings& settings, TClock clock = SystemNow);

    // Reading the two replies: a login reply's session texts, and a call-sign reply's search element.
    // Both throw EVantrel when the reply is not XML or its root is not HamQTH.
    static TCallbookLogin ParseLogin(const QByteArray& reply);
    static TCallbookReply ParseCall(const QByteArray& reply, const QString& callsign);

protected:
    QString LoginQuery(const QString& user, const QString& password) const override;
    QString CallQuery(const QString& session, const QString& callsign) const override;
    TCallbookLogin ReadLogin(const QByteArray& reply) const override;
    TCallbookReply ReadCall(const QByteArray& reply, const QString& callsign) override;
};
