#pragma once

#include "TCallbookClient.h"

// Client of the QRZ XML call-book service. The password travels in the login query, so the service is
// reached over HTTPS. Keeps the XML text of the last call-sign reply for display.
class Tqrzxml : public TCallbookClient
{
public:
    // Settings key of the service address and its default.
    static inline const QString kUrlKey = QStringLiteral("QRZXMLUrl");
    static inline const QString kDefaultUrl = QStringLiteral("https://xmldata.qrz.com/xml/current/");

    explicit Tqrzxml(TSettings& settings, TClock clock = SystemNow);

    // The text of the last call-sign reply as received; empty until the first one. Login replies are never
    // kept.
    QString GetXML() const { return strXML; }

    // Reading the two replies: a login reply's Session texts, and a call-sign reply's Callsign element.
    // Both throw EVantrel when the reply is not XML or lacks QRZDatabase or its Session element. The call
    // reply's text, as received, goes to xmlText when given.
    static TCallbookLogin ParseLogin(const QByteArray& reply);
    static TCallbookReply ParseCall(const QByteArray& reply, const QString& callsign,
                                    QString* xmlText = nullptr);

protected:
    QString LoginQuery(const QString& user, const QString& password) const override;
    QString CallQuery(const QString& session, const QString& callsign) const override;
    TCallbookLogin ReadLogin(const QByteArray& reply) const override;
    TCallbookReply ReadCall(const QByteArray& reply, const QString& callsign) override;

private:
    QString strXML;
};
