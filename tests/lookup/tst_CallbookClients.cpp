#include "common/TTestHome.h"
#include "common/TTestHttpServer.h"
#include "common/TTestTls.h"
#include "common/TestFiles.h"
#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "data/TSettings.h"
#include "lookup/THamQTHxml.h"
#include "lookup/Tqrzxml.h"

#include <QFile>
#include <QStringEncoder>
#include <QTest>
#include <memory>
#include <optional>

namespace {

// How the fixture's service is reached: over TLS with a certificate the client trusts (as the real
// services are), over TLS it does not trust, or over plain HTTP.
enum class TTransport
{
    Trusted,
    Untrusted,
    Plain
};

// One of the two services, served by a local HTTPS server from recorded replies: the login reply, and
// the call-sign replies in turn (the last one for every further request). The client under test reaches
// it through its settings key and reads "now" from the fixture's clock.
struct TServiceFixture
{
    TTestHome home;
    std::optional<TTrustCertificate> trust;
    std::unique_ptr<TSettings> settings;
    TTestHttpServer server;
    QDateTime now = QDateTime(QDate(2026, 3, 1), QTime(12, 0));
    bool qrz;
    QString loginReply;
    QStringList callReplies;
    qsizetype served = 0;
    std::unique_ptr<TCallbookClient> client;

    explicit TServiceFixture(bool isQrz, TTransport transport = TTransport::Trusted) : qrz(isQrz)
    {
        const TTestTls& tls = TTestTls::Shared();
        if (transport != TTransport::Plain && !tls.IsValid()) {
            qFatal("%s", qPrintable(tls.Error()));
        }
        if (transport == TTransport::Trusted) {
            trust.emplace(tls.Certificate());
        }
        home.WriteSettings({});
        settings = std::make_unique<TSettings>(home.Work() + QStringLiteral("Vantrel.cfg"));
        loginReply = qrz ? QStringLiteral("qrz_login.xml") : QStringLiteral("hamqth_login.xml");
        callReplies = {qrz ? QStringLiteral("qrz_callsign.xml") : QStringLiteral("hamqth_search.xml")};
        server.SetHandler([this](const TTestHttpServer::TRequest& request) {
            TTestHttpServer::TResponse response;
            if (IsLogin(request)) {
                response.body = ReadFixture(QStringLiteral("lookup/") + loginReply);
            } else {
                response.body = ReadFixture(QStringLiteral("lookup/") +
                                            callReplies.value(std::min(served, callReplies.size() - 1)));
                ++served;
            }
            return response;
        });
        if (!server.Listen(transport == TTransport::Plain ? nullptr : tls.NewServer())) {
            qFatal("cannot listen");
        }
        settings->SaveSetting(
            qrz ? Tqrzxml::kUrlKey : THamQTHxml::kUrlKey,
            server.Url(qrz ? QStringLiteral("/xml/current/") : QStringLiteral("/xml.php")).toString());
        TClock clock = [this] { return now; };
        if (qrz) {
            client = std::make_unique<Tqrzxml>(*settings, clock);
        } else {
            client = std::make_unique<THamQTHxml>(*settings, clock);
        }
    }

    bool IsLogin(const TTestHttpServer::TRequest& request) const
    {
        return request.query.startsWith(qrz ? QStringLiteral("username=") : QStringLiteral("u="));
    }
    int Logins() const
    {
        int n = 0;
        for (const auto& r : server.Requests()) {
            n += IsLogin(r) ? 1 : 0;
        }
        return n;
    }
    // The session key each call-sign request carried, in order.
    QStringList CallKeys() const
    {
        QStringList keys;
        for (const auto& r : server.Requests()) {
            if (!IsLogin(r)) {
                keys << r.query.section('&', 0, 0).section('=', 1);
            }
        }
        return keys;
    }
    QString IdKey() const { return qrz ? SettingKeys::QRZXMLSessionID : SettingKeys::HamQTHSessionID; }
    QString ExpKey() const { return qrz ? SettingKeys::QRZXMLSessionEXP : SettingKeys::HamQTHSessionEXP; }
    QString NewKey() const
    {
        return qrz ? QStringLiteral("7c1d0f4e2a9b8c3d5e6f708192a3b4c5")
                   : QStringLiteral("09b0ae90050be03c452ad235a1f2915ad684393c");
    }
    void StoreSession(const QString& key, const QString& expiry)
    {
        settings->SaveSetting(IdKey(), key);
        settings->SaveSetting(ExpKey(), expiry);
    }
    TFccRec Lookup(const QString& call = QStringLiteral("K6VTR"))
    {
        return client->LookupCall(call, QStringLiteral("user"), QStringLiteral("pass"));
    }
};

} // namespace

// The two call-book clients against recorded replies served on 127.0.0.1: when they log in, what they
// send, how they read the replies, and how they fail.
class TestCallbookClients : public QObject
{
    Q_OBJECT

private slots:
    void SessionAtFirstLookup_data();
    void SessionAtFirstLookup();
    void LoggedInForTheRestOfTheRun_data();
    void LoggedInForTheRestOfTheRun();
    void LoginRefused_data();
    void LoginRefused();
    void NotFound_data();
    void NotFound();
    void ExpiredSession_data();
    void ExpiredSession();
    void QueryEncoding_data();
    void QueryEncoding();
    void QrzReply_data();
    void QrzReply();
    void HamQTHReply_data();
    void HamQTHReply();
    void UnreadableReply_data();
    void UnreadableReply();
    void SessionExpiryText_data();
    void SessionExpiryText();
    void SilentServer_data();
    void SilentServer();
    void Https();
    void UnusableSessionKey_data();
    void UnusableSessionKey();
    void DamagedStoredKey();
    void PasswordOnlyOverHttps_data();
    void PasswordOnlyOverHttps();
    void HostileReply_data();
    void HostileReply();
    void ShowXmlKeepsReplyAsReceived();
};

namespace {
void AddServiceRows(const char* what)
{
    QTest::addColumn<bool>("qrz");
    QTest::newRow(qPrintable(QStringLiteral("QRZ %1").arg(QString::fromLatin1(what)))) << true;
    QTest::newRow(qPrintable(QStringLiteral("HamQTH %1").arg(QString::fromLatin1(what)))) << false;
}
} // namespace

void TestCallbookClients::SessionAtFirstLookup_data()
{
    QTest::addColumn<bool>("qrz");
    QTest::addColumn<QString>("storedKey");
    QTest::addColumn<QString>("storedExpiry"); // "+1h" and "-1h" are relative to now
    QTest::addColumn<bool>("login");
    for (const bool qrz : {true, false}) {
        const QString service = qrz ? QStringLiteral("QRZ ") : QStringLiteral("HamQTH ");
        auto row = [&](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(service + QString::fromLatin1(name)));
        };
        row("stored key valid") << qrz << "storedkey1"
                                << "+1h" << false;
        row("stored key expired") << qrz << "storedkey1"
                                  << "-1h" << true;
        row("no stored key") << qrz << ""
                             << "+1h" << true;
        row("default expiry reads as past") << qrz << "storedkey1"
                                            << "01/01/2023" << true;
        row("unreadable expiry") << qrz << "storedkey1"
                                 << "tomorrow" << true;
        row("older regional text in the future") << qrz << "storedkey1"
                                                 << "12/31/2099 11:00:00 PM" << false;
    }
}

void TestCallbookClients::SessionAtFirstLookup()
{
    QFETCH(bool, qrz);
    QFETCH(QString, storedKey);
    QFETCH(QString, storedExpiry);
    QFETCH(bool, login);
    TServiceFixture f(qrz);
    const QString expiry = storedExpiry == QStringLiteral("+1h") ? f.now.addSecs(3600).toString(Qt::ISODate)
                           : storedExpiry == QStringLiteral("-1h")
                               ? f.now.addSecs(-3600).toString(Qt::ISODate)
                               : storedExpiry;
    f.StoreSession(storedKey, expiry);

    const TFccRec rec = f.Lookup();
    QCOMPARE(f.Logins(), login ? 1 : 0);
    QCOMPARE(f.CallKeys(), QStringList{login ? f.NewKey() : storedKey});
    QCOMPARE(f.client->xmlsession(), login ? f.NewKey() : storedKey);
    QVERIFY(!rec.firstname.isEmpty());
    if (login) {
        QCOMPARE(f.settings->GetSetting(f.IdKey(), QString()), f.NewKey());
        QCOMPARE(ParseSessionExpiry(f.settings->GetSetting(f.ExpKey(), QString())), f.now.addSecs(4 * 3600));
        QVERIFY(f.client->IsOnline());
    } else {
        // Using a stored key writes nothing.
        QCOMPARE(f.settings->GetSetting(f.ExpKey(), QString()), expiry);
    }
}

void TestCallbookClients::LoggedInForTheRestOfTheRun_data()
{
    AddServiceRows("after a login");
}

void TestCallbookClients::LoggedInForTheRestOfTheRun()
{
    QFETCH(bool, qrz);
    TServiceFixture f(qrz);
    f.Lookup();
    QCOMPARE(f.Logins(), 1);
    // Later lookups use the key of this run, whatever the stored expiry or the credentials say.
    f.StoreSession(QStringLiteral("other"), QStringLiteral("01/01/2023"));
    f.now = f.now.addSecs(6 * 3600);
    f.client->LookupCall(QStringLiteral("K6VTR"), QStringLiteral("someone"), QStringLiteral("else"));
    f.Lookup();
    QCOMPARE(f.Logins(), 1);
    QCOMPARE(f.CallKeys(), QStringList(3, f.NewKey()));
}

void TestCallbookClients::LoginRefused_data()
{
    QTest::addColumn<bool>("qrz");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("message");
    QTest::newRow("QRZ wrong password") << true << "qrz_login_failed.xml"
                                        << "QRZ XML login failed: Username/password incorrect";
    QTest::newRow("HamQTH wrong password") << false << "hamqth_login_failed.xml"
                                           << "HamQTH XML login failed: Wrong user name or password";
    QTest::newRow("QRZ reply without key") << true << "qrz_timeout.xml"
                                           << "QRZ XML login failed: Session Timeout";
}

void TestCallbookClients::LoginRefused()
{
    QFETCH(bool, qrz);
    QFETCH(QString, reply);
    QFETCH(QString, message);
    TServiceFixture f(qrz);
    f.loginReply = reply;
    for (int attempt = 1; attempt <= 2; ++attempt) {
        try {
            f.Lookup();
            QFAIL("a refused login was not reported");
        } catch (const EVantrel& e) {
            QCOMPARE(e.Message(), message);
        }
        // No call-sign request goes out without a session, and every lookup tries the login again.
        QCOMPARE(f.Logins(), attempt);
        QCOMPARE(f.CallKeys(), QStringList());
        QVERIFY(!f.client->IsOnline());
        QCOMPARE(f.settings->GetSetting(f.IdKey(), QStringLiteral("unset")), QString());
    }
    QVERIFY(!f.server.Requests().first().query.isEmpty());
}

void TestCallbookClients::NotFound_data()
{
    AddServiceRows("not found");
}

void TestCallbookClients::NotFound()
{
    QFETCH(bool, qrz);
    TServiceFixture f(qrz);
    f.callReplies = {qrz ? QStringLiteral("qrz_notfound.xml") : QStringLiteral("hamqth_notfound.xml")};
    const TFccRec rec = f.Lookup(QStringLiteral("W1AW"));
    QCOMPARE(rec.callsign, QStringLiteral("W1AW"));
    QCOMPARE(rec.firstname, QString());
    QCOMPARE(rec.country, QString());
    QCOMPARE(rec.address, QString());
    QCOMPARE(f.server.Requests().size(), 2);
    if (qrz) {
        const QString xml = static_cast<Tqrzxml&>(*f.client).GetXML();
        QVERIFY2(xml.contains(QStringLiteral("Not found: W1AW")), qPrintable(xml));
    }
}

void TestCallbookClients::ExpiredSession_data()
{
    QTest::addColumn<bool>("qrz");
    QTest::addColumn<bool>("again");
    QTest::newRow("QRZ Session Timeout") << true << false;
    QTest::newRow("QRZ Session Timeout after the new login too") << true << true;
    QTest::newRow("HamQTH session expired") << false << false;
    QTest::newRow("HamQTH session expired after the new login too") << false << true;
}

void TestCallbookClients::ExpiredSession()
{
    QFETCH(bool, qrz);
    QFETCH(bool, again);
    TServiceFixture f(qrz);
    f.StoreSession(QStringLiteral("oldkey"), f.now.addSecs(3600).toString(Qt::ISODate));
    const QString expired = qrz ? QStringLiteral("qrz_timeout.xml") : QStringLiteral("hamqth_expired.xml");
    const QString found = qrz ? QStringLiteral("qrz_callsign.xml") : QStringLiteral("hamqth_search.xml");
    f.callReplies = {expired, again ? expired : found};

    const TFccRec rec = f.Lookup();
    // One fresh login and one repeated request, never more.
    QCOMPARE(f.Logins(), 1);
    QCOMPARE(f.CallKeys(), (QStringList{QStringLiteral("oldkey"), f.NewKey()}));
    QCOMPARE(f.server.Requests().size(), 3);
    QCOMPARE(f.settings->GetSetting(f.IdKey(), QString()), f.NewKey());
    QCOMPARE(rec.callsign, QStringLiteral("K6VTR"));
    QCOMPARE(rec.firstname.isEmpty(), again);
}

void TestCallbookClients::QueryEncoding_data()
{
    QTest::addColumn<bool>("qrz");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("loginQuery");
    QTest::addColumn<QString>("callQuery");
    QTest::newRow("QRZ plain") << true << "k6vtr"
                               << "secret"
                               << "K6VTR"
                               << "username=k6vtr;password=secret;agent=vantrel1.0"
                               << "s=7c1d0f4e2a9b8c3d5e6f708192a3b4c5&callsign=K6VTR&agent=vantrel";
    QTest::newRow("QRZ separators in the password")
        << true << "k6vtr"
        << "a;b&c d"
        << "W1AW/M"
        << "username=k6vtr;password=a%3Bb%26c+d;agent=vantrel1.0"
        << "s=7c1d0f4e2a9b8c3d5e6f708192a3b4c5&callsign=W1AW/M&agent=vantrel";
    QTest::newRow("QRZ kept and encoded characters")
        << true << "me@example.org"
        << "!$'()*-._+%=#/?ä€"
        << "K6VTR"
        << "username=me@example.org;password=!$'()*-._%2B%25%3D%23%2F%3F%C3%A4%E2%82%AC;agent=vantrel1.0"
        << "s=7c1d0f4e2a9b8c3d5e6f708192a3b4c5&callsign=K6VTR&agent=vantrel";
    QTest::newRow("HamQTH separators in the password")
        << false << "ok1vtr"
        << "x&p=y;z"
        << "OK1VTR"
        << "u=ok1vtr&p=x%26p%3Dy%3Bz"
        << "id=09b0ae90050be03c452ad235a1f2915ad684393c&callsign=OK1VTR&agent=vantrel";
    QTest::newRow("HamQTH call sign that would end the query")
        << false << "ok1vtr"
        << "pw"
        << "OK1X&id=1#x"
        << "u=ok1vtr&p=pw"
        << "id=09b0ae90050be03c452ad235a1f2915ad684393c&callsign=OK1X%26id%3D1%23x&agent=vantrel";
}

void TestCallbookClients::QueryEncoding()
{
    QFETCH(bool, qrz);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, call);
    TServiceFixture f(qrz);
    const TFccRec rec = f.client->LookupCall(call, user, password);
    QCOMPARE(rec.callsign, call);
    QCOMPARE(f.server.Requests().size(), 2);
    QTEST(f.server.Requests()[0].query, "loginQuery");
    QTEST(f.server.Requests()[1].query, "callQuery");
    QCOMPARE(f.server.Requests()[0].path, qrz ? QStringLiteral("/xml/current/") : QStringLiteral("/xml.php"));
}

void TestCallbookClients::QrzReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("county");
    const QByteArray recorded = ReadFixture(QStringLiteral("lookup/qrz_callsign.xml"));
    QTest::newRow("default namespace") << recorded << "San Joaquin";
    QTest::newRow("no namespace") << QByteArray(recorded).replace(" xmlns=\"http://xmldata.qrz.com\"", "")
                                  << "San Joaquin";
    QTest::newRow("prefixed namespace") << QByteArray(recorded)
                                               .replace("xmlns=", "xmlns:q=")
                                               .replace("<", "<q:")
                                               .replace("<q:/", "</q:")
                                               .replace("<q:?xml", "<?xml")
                                        << "San Joaquin";
    QTest::newRow("without county") << QByteArray(recorded).replace("<county>San Joaquin</county>", "") << "";
}

void TestCallbookClients::QrzReply()
{
    QFETCH(QByteArray, reply);
    const TCallbookReply r = Tqrzxml::ParseCall(reply, QStringLiteral("k6vtr"));
    QVERIFY(!r.sessionExpired);
    QCOMPARE(r.rec.callsign, QStringLiteral("k6vtr"));
    QCOMPARE(r.rec.firstname, QStringLiteral("Jane Q"));
    QCOMPARE(r.rec.lastname, QStringLiteral("Sample"));
    QCOMPARE(r.rec.address, QStringLiteral("1234 Harbor Oak Way"));
    QCOMPARE(r.rec.city, QStringLiteral("Stockton"));
    QCOMPARE(r.rec.state, QStringLiteral("CA"));
    QCOMPARE(r.rec.zipcode, QStringLiteral("95210"));
    QTEST(r.rec.county, "county");
    QCOMPARE(r.rec.country, QStringLiteral("United States"));
    QCOMPARE(r.rec.grid, QStringLiteral("CM98ha"));
    QCOMPARE(r.rec.latitude, QStringLiteral("38.01"));
    QCOMPARE(r.rec.longitude, QStringLiteral("-121.35"));
    QCOMPARE(r.rec.entityname, QString());
    QCOMPARE(r.rec.opclass, QString());

    const TCallbookLogin login = Tqrzxml::ParseLogin(ReadFixture(QStringLiteral("lookup/qrz_login.xml")));
    QCOMPARE(login.key, QStringLiteral("7c1d0f4e2a9b8c3d5e6f708192a3b4c5"));
    QCOMPARE(login.error, QString());
    QVERIFY(Tqrzxml::ParseCall(ReadFixture(QStringLiteral("lookup/qrz_timeout.xml")), QStringLiteral("X"))
                .sessionExpired);
    QVERIFY(!Tqrzxml::ParseCall(ReadFixture(QStringLiteral("lookup/qrz_notfound.xml")), QStringLiteral("X"))
                 .sessionExpired);
}

void TestCallbookClients::HamQTHReply_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("firstname");
    QTest::addColumn<QString>("entityname");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("city");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("zipcode");
    QTest::addColumn<QString>("county");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QString>("latitude");
    QTest::addColumn<QString>("longitude");
    QTest::newRow("DX station, one street line") << "hamqth_search.xml"
                                                 << "Petr"
                                                 << "Petr Vzorek"
                                                 << "Ukazkova 12   "
                                                 << "Praha 4"
                                                 << ""
                                                 << "14000"
                                                 << ""
                                                 << "Czech Republic"
                                                 << "jo70gg"
                                                 << "50.07"
                                                 << "14.42";
    QTest::newRow("US station without nick, three street lines") << "hamqth_search_us.xml"
                                                                 << ""
                                                                 << "Robert Example"
                                                                 << "Apt 4 77 Saguaro Ln Building C "
                                                                 << "Mesa"
                                                                 << "AZ"
                                                                 << "85201"
                                                                 << "Maricopa"
                                                                 << "United States"
                                                                 << "DM43bp"
                                                                 << "33.42"
                                                                 << "-111.83";
    QTest::newRow("not found") << "hamqth_notfound.xml"
                               << ""
                               << ""
                               << ""
                               << ""
                               << ""
                               << ""
                               << ""
                               << ""
                               << ""
                               << ""
                               << "";
}

void TestCallbookClients::HamQTHReply()
{
    QFETCH(QString, file);
    const TCallbookReply r =
        THamQTHxml::ParseCall(ReadFixture(QStringLiteral("lookup/") + file), QStringLiteral("OK1VTR"));
    QVERIFY(!r.sessionExpired);
    QCOMPARE(r.rec.callsign, QStringLiteral("OK1VTR"));
    QTEST(r.rec.firstname, "firstname");
    QTEST(r.rec.entityname, "entityname");
    QTEST(r.rec.address, "address");
    QTEST(r.rec.city, "city");
    QTEST(r.rec.state, "state");
    QTEST(r.rec.zipcode, "zipcode");
    QTEST(r.rec.county, "county");
    QTEST(r.rec.country, "country");
    QTEST(r.rec.grid, "grid");
    QTEST(r.rec.latitude, "latitude");
    QTEST(r.rec.longitude, "longitude");
    QCOMPARE(r.rec.lastname, QString());
}

void TestCallbookClients::UnreadableReply_data()
{
    QTest::addColumn<bool>("qrz");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("message");
    QTest::newRow("QRZ HTML page") << true << QByteArray("<html><body>Service unavailable<br></body></html>")
                                   << "The QRZ XML service sent a reply that is not valid XML";
    QTest::newRow("QRZ wrong root")
        << true << ReadFixture(QStringLiteral("lookup/hamqth_search.xml"))
        << "The QRZ XML service sent an unexpected reply (no QRZDatabase element)";
    QTest::newRow("QRZ without Session")
        << true
        << QByteArray("<QRZDatabase version=\"1.36\"><Callsign><call>K6VTR</call></Callsign></QRZDatabase>")
        << "The QRZ XML service sent an unexpected reply (no Session element)";
    QTest::newRow("HamQTH empty") << false << QByteArray()
                                  << "The HamQTH XML service sent a reply that is not valid XML";
    QTest::newRow("HamQTH wrong root")
        << false << ReadFixture(QStringLiteral("lookup/qrz_callsign.xml"))
        << "The HamQTH XML service sent an unexpected reply (no HamQTH element)";
}

void TestCallbookClients::UnreadableReply()
{
    QFETCH(bool, qrz);
    QFETCH(QByteArray, reply);
    QFETCH(QString, message);
    for (const bool login : {true, false}) {
        try {
            if (qrz) {
                login ? void(Tqrzxml::ParseLogin(reply))
                      : void(Tqrzxml::ParseCall(reply, QStringLiteral("K6VTR")));
            } else {
                login ? void(THamQTHxml::ParseLogin(reply))
                      : void(THamQTHxml::ParseCall(reply, QStringLiteral("K6VTR")));
            }
            QFAIL("an unreadable reply was accepted");
        } catch (const EVantrel& e) {
            QVERIFY2(e.Message().startsWith(message), qPrintable(e.Message()));
        }
    }
}

void TestCallbookClients::SessionExpiryText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expiry");
    QTest::newRow("ISO, as written") << "2026-03-01T16:00:00" << QDateTime(QDate(2026, 3, 1), QTime(16, 0));
    QTest::newRow("default") << "01/01/2023" << QDateTime(QDate(2023, 1, 1), QTime(0, 0));
    QTest::newRow("month first with seconds")
        << "12/31/2099 11:00:00 PM" << QDateTime(QDate(2099, 12, 31), QTime(23, 0));
    QTest::newRow("day first") << "31/12/2099 23:00" << QDateTime(QDate(2099, 12, 31), QTime(23, 0));
    QTest::newRow("day first with dots")
        << "31.12.2099 23:00:00" << QDateTime(QDate(2099, 12, 31), QTime(23, 0));
    QTest::newRow("unreadable") << "next week" << QDateTime();
    QTest::newRow("empty") << "" << QDateTime();
}

void TestCallbookClients::SessionExpiryText()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, expiry);
    QCOMPARE(ParseSessionExpiry(text), expiry);
}

void TestCallbookClients::SilentServer_data()
{
    AddServiceRows("silent");
}

void TestCallbookClients::SilentServer()
{
    QFETCH(bool, qrz);
    TServiceFixture f(qrz);
    f.server.SetSilent(true);
    f.client->SetTimeout(300);
    try {
        f.client->LookupCall(QStringLiteral("K6VTR"), QStringLiteral("user"), QStringLiteral("hunter2"));
        QFAIL("a silent service did not end the lookup");
    } catch (const ENetworkError& e) {
        QVERIFY2(e.Message().startsWith(QStringLiteral("No answer from")), qPrintable(e.Message()));
        QVERIFY2(!e.Message().contains(QStringLiteral("hunter2")), qPrintable(e.Message()));
    }
    QCOMPARE(f.server.Requests().size(), 1);
    QVERIFY(!f.client->IsOnline());
}

void TestCallbookClients::Https()
{
    // Not trusted: the TLS check refuses the service.
    {
        TServiceFixture untrusted(false, TTransport::Untrusted);
        QVERIFY(untrusted.server.Url().scheme() == QStringLiteral("https"));
        QVERIFY_THROWS_EXCEPTION(ENetworkError, untrusted.Lookup());
        QCOMPARE(untrusted.server.Requests().size(), 0);
    }
    // Trusted: login and call-sign request over TLS.
    TServiceFixture f(false);
    QVERIFY(f.server.Url().scheme() == QStringLiteral("https"));
    const TFccRec rec = f.Lookup(QStringLiteral("OK1VTR"));
    QCOMPARE(rec.firstname, QStringLiteral("Petr"));
    QCOMPARE(f.Logins(), 1);
    QCOMPARE(f.server.Requests().size(), 2);
}

namespace {
QByteArray LoginWithKey(bool qrz, const QByteArray& key)
{
    return qrz ? "<?xml version=\"1.0\"?><QRZDatabase><Session><Key>" + key +
                     "</Key><Count>1</Count></Session></QRZDatabase>"
               : "<?xml version=\"1.0\"?><HamQTH version=\"2.8\"><session><session_id>" + key +
                     "</session_id></session></HamQTH>";
}

// A reply nested that many levels deep inside the root.
QByteArray Nested(const QByteArray& root, int depth)
{
    return "<" + root + ">" + QByteArray("<a>").repeated(depth) + "x" + QByteArray("</a>").repeated(depth) +
           "</" + root + ">";
}
} // namespace

void TestCallbookClients::UnusableSessionKey_data()
{
    QTest::addColumn<bool>("qrz");
    QTest::addColumn<QByteArray>("key");
    for (const bool qrz : {true, false}) {
        const QString service = qrz ? QStringLiteral("QRZ ") : QStringLiteral("HamQTH ");
        auto row = [&](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(service + QString::fromLatin1(name)));
        };
        row("line break adding a setting") << qrz << QByteArray("abc&#10;HamQTHUrl=http://127.0.0.1:9/evil");
        row("carriage return") << qrz << QByteArray("abc&#13;QRZXMLUrl=http://127.0.0.1:9/evil");
        row("query separator") << qrz << QByteArray("abc&amp;callsign=W1AW");
        row("space") << qrz << QByteArray("abc def");
        row("longer than 64 characters") << qrz << QByteArray(65, 'a');
    }
}

void TestCallbookClients::UnusableSessionKey()
{
    QFETCH(bool, qrz);
    QFETCH(QByteArray, key);
    TServiceFixture f(qrz);
    QFile cfg(f.settings->Path());
    QVERIFY(cfg.open(QIODevice::ReadOnly));
    const QByteArray before = cfg.readAll();
    cfg.close();
    f.server.SetHandler([&](const TTestHttpServer::TRequest&) {
        TTestHttpServer::TResponse response;
        response.body = LoginWithKey(qrz, key);
        return response;
    });
    try {
        f.Lookup();
        QFAIL("an unusable session key was accepted");
    } catch (const EVantrel& e) {
        QCOMPARE(e.Message(), (qrz ? QStringLiteral("QRZ XML") : QStringLiteral("HamQTH XML")) +
                                  QStringLiteral(" login failed: the reply holds an unusable session key"));
    }
    // Nothing of the key reached the settings file, and the key was never sent back.
    QVERIFY(cfg.open(QIODevice::ReadOnly));
    QCOMPARE(cfg.readAll(), before);
    QCOMPARE(f.server.Requests().size(), 1);
    QVERIFY(!f.client->IsOnline());

    // The longest accepted key is kept as it came.
    f.server.SetHandler([&](const TTestHttpServer::TRequest& request) {
        TTestHttpServer::TResponse response;
        response.body = f.IsLogin(request) ? LoginWithKey(qrz, QByteArray(64, 'K'))
                                           : ReadFixture(QStringLiteral("lookup/") + f.callReplies[0]);
        return response;
    });
    f.Lookup();
    QCOMPARE(f.settings->GetSetting(f.IdKey(), QString()), QString(64, 'K'));
}

void TestCallbookClients::DamagedStoredKey()
{
    for (const bool qrz : {true, false}) {
        TServiceFixture f(qrz);
        f.StoreSession(QStringLiteral("abc&callsign=W1AW"), f.now.addSecs(3600).toString(Qt::ISODate));
        f.Lookup();
        // A stored key that no login would have kept is not sent: a fresh login replaces it.
        QCOMPARE(f.Logins(), 1);
        QCOMPARE(f.CallKeys(), QStringList{f.NewKey()});
    }
}

void TestCallbookClients::PasswordOnlyOverHttps_data()
{
    AddServiceRows("over plain http");
}

void TestCallbookClients::PasswordOnlyOverHttps()
{
    QFETCH(bool, qrz);
    TServiceFixture f(qrz, TTransport::Plain);
    const QString url =
        f.server.Url(qrz ? QStringLiteral("/xml/current/") : QStringLiteral("/xml.php")).toString();
    try {
        f.client->LookupCall(QStringLiteral("K6VTR"), QStringLiteral("user"), QStringLiteral("hunter2"));
        QFAIL("a login went out over plain http");
    } catch (const EVantrel& e) {
        QCOMPARE(e.Message(),
                 QStringLiteral("%1 login not sent: the service address %2 is not https, and the "
                                "password is only sent over an encrypted connection. Correct %3 in %4.")
                     .arg(qrz ? QStringLiteral("QRZ XML") : QStringLiteral("HamQTH XML"), url,
                          qrz ? Tqrzxml::kUrlKey : THamQTHxml::kUrlKey, f.settings->Path()));
    }
    QCOMPARE(f.server.Requests().size(), 0);

    // A redirect from the real service to plain http does not carry the password along either.
    TServiceFixture tls(qrz);
    tls.server.SetHandler([&](const TTestHttpServer::TRequest&) {
        TTestHttpServer::TResponse response;
        response.status = 302;
        response.headers.insert("Location", url.toUtf8() + "?stolen=1");
        return response;
    });
    QVERIFY_THROWS_EXCEPTION(ENetworkError, tls.Lookup());
    QCOMPARE(tls.server.Requests().size(), 1);
    QCOMPARE(f.server.Requests().size(), 0);
}

void TestCallbookClients::HostileReply_data()
{
    QTest::addColumn<bool>("qrz");
    QTest::addColumn<bool>("login");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("endless");
    QTest::addColumn<QString>("message");
    const QString unreadable = QStringLiteral("service sent a reply that cannot be read: ");
    QTest::newRow("QRZ call reply 4,200 levels deep") << true << false << Nested("QRZDatabase", 4200) << false
                                                      << unreadable + "it is nested more than 32 levels deep";
    QTest::newRow("HamQTH login reply 4,200 levels deep")
        << false << true << Nested("HamQTH", 4200) << false
        << unreadable + "it is nested more than 32 levels deep";
    QTest::newRow("QRZ endless body")
        << true << false << QByteArray("<QRZDatabase>") + QByteArray("<a>x</a>").repeated(512) << true
        << "is larger than 1 MB; it was not read";
    QTest::newRow("HamQTH endless login body")
        << false << true << QByteArray("<HamQTH>") + QByteArray("<a>x</a>").repeated(512) << true
        << "is larger than 1 MB; it was not read";
    QTest::newRow("QRZ 1.1 MB reply")
        << true << false << Nested("QRZDatabase", 20) + QByteArray(1100 * 1024, ' ') << false
        << "is larger than 1 MB; it was not read";
    QByteArray attributes = "<QRZDatabase><Session";
    for (int i = 0; i < 100000; ++i) {
        attributes += " a" + QByteArray::number(i) + "=''";
    }
    attributes += "/></QRZDatabase>";
    QTest::newRow("QRZ 100,000 attributes on one element")
        << true << false << attributes << false << unreadable + "an element has more than 32 attributes";
    QByteArray defaults = "<!DOCTYPE QRZDatabase [";
    for (int i = 0; i < 30000; ++i) {
        defaults += "<!ATTLIST Session a" + QByteArray::number(i) + " CDATA 'x'>";
    }
    defaults += "]><QRZDatabase><Session/></QRZDatabase>";
    QTest::newRow("QRZ 30,000 declared default attributes")
        << true << false << defaults << false << unreadable + "it carries a document type declaration";
    QTest::newRow("HamQTH entity declarations")
        << false << true
        << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE HamQTH [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                      "\"&a;&a;&a;\">]>"
                      "<HamQTH><session><session_id>&b;</session_id></session></HamQTH>")
        << false << unreadable + "it carries a document type declaration";
    QTest::newRow("HamQTH 100,000 elements")
        << false << false << QByteArray("<HamQTH>") + QByteArray("<a/>").repeated(100000) + "</HamQTH>"
        << false << unreadable + "it holds more than 20000 elements";
}

void TestCallbookClients::HostileReply()
{
    QFETCH(bool, qrz);
    QFETCH(bool, login);
    QFETCH(QByteArray, body);
    QFETCH(bool, endless);
    QFETCH(QString, message);
    TServiceFixture f(qrz);
    f.client->SetTimeout(20000);
    if (!login) {
        f.StoreSession(QStringLiteral("storedkey1"), f.now.addSecs(3600).toString(Qt::ISODate));
    }
    f.server.SetHandler([&](const TTestHttpServer::TRequest&) {
        TTestHttpServer::TResponse response;
        response.body = body;
        response.endless = endless;
        return response;
    });
    try {
        f.Lookup();
        QFAIL("a hostile reply was accepted");
    } catch (const EVantrel& e) {
        QVERIFY2(e.Message().contains(message), qPrintable(e.Message()));
        QVERIFY2(!e.Message().startsWith(QStringLiteral("No answer")), qPrintable(e.Message()));
    }
    QCOMPARE(f.server.Requests().size(), 1);
    // The endless body was stopped near the limit, not read on.
    QVERIFY2(f.server.StreamedBytes() < 16 * 1024 * 1024,
             qPrintable(QString::number(f.server.StreamedBytes())));
    if (qrz) {
        QCOMPARE(static_cast<Tqrzxml&>(*f.client).GetXML(), QString());
    }
}

void TestCallbookClients::ShowXmlKeepsReplyAsReceived()
{
    TServiceFixture f(true);
    // Line breaks, indentation, comments and the declaration stay as the service sent them.
    const QByteArray reply =
        "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<QRZDatabase version=\"1.36\">"
        "<!-- ü -->\r\n\t<Session><Key>k1</Key></Session>\n<Callsign><fname>Jürgen</fname>"
        "<name>A &amp; B</name></Callsign></QRZDatabase>\n";
    f.server.SetHandler([&](const TTestHttpServer::TRequest& request) {
        TTestHttpServer::TResponse response;
        response.body = f.IsLogin(request) ? ReadFixture(QStringLiteral("lookup/") + f.loginReply) : reply;
        return response;
    });
    const TFccRec rec = f.Lookup();
    QCOMPARE(rec.firstname, QStringLiteral("Jürgen"));
    QCOMPARE(rec.lastname, QStringLiteral("A & B"));
    QCOMPARE(static_cast<Tqrzxml&>(*f.client).GetXML(), QString::fromUtf8(reply));

    // A reply in UTF-16 with a byte-order mark reads and shows the same.
    QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    const QByteArray wide =
        utf16.encode(QString::fromUtf8(reply).replace(QStringLiteral("utf-8"), QStringLiteral("UTF-16")));
    QString shownWide;
    QCOMPARE(Tqrzxml::ParseCall(wide, QStringLiteral("X"), &shownWide).rec.firstname,
             QStringLiteral("Jürgen"));
    QCOMPARE(shownWide, QString::fromUtf8(reply).replace(QStringLiteral("utf-8"), QStringLiteral("UTF-16")));

    // An encoding the program does not know is a clear error.
    QVERIFY_THROWS_EXCEPTION(
        EVantrel,
        Tqrzxml::ParseCall("<?xml version='1.0' encoding='X-NONE'?><QRZDatabase><Session/></QRZDatabase>",
                           QStringLiteral("X")));

    // A reply declared in Latin-1 is shown in its own characters.
    const QByteArray latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><QRZDatabase><Session/>"
                              "<Callsign><fname>J\xfcrgen</fname></Callsign></QRZDatabase>";
    QString shown;
    QCOMPARE(Tqrzxml::ParseCall(latin1, QStringLiteral("X"), &shown).rec.firstname, QStringLiteral("Jürgen"));
    QCOMPARE(shown, QString::fromLatin1(latin1));
}

VANTREL_TEST(TestCallbookClients)
#include "tst_CallbookClients.moc"
