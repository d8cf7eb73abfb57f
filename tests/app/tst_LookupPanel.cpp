#include "AppFixture.h"
#include "common/TTestHttpServer.h"
#include "common/TTestTls.h"
#include "common/TestFiles.h"
#include "common/TestRegistry.h"
#include "lookup/THamQTHxml.h"
#include "lookup/TLookup.h"
#include "lookup/Tqrzxml.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>

namespace {} // namespace

// The lookup panel: the lookup text, AutoFill of the entry form and the bearing line, against a call-book
// service served on 127.0.0.1.
class TestLookupPanel : public QObject
{
    Q_OBJECT

    struct TPanel : TAppFixture
    {
        TTrustCertificate trust{TTestTls::Shared().Certificate()};
        TTestHttpServer server;
        // The QRZ reply to a call-sign query.
        QByteArray qrzReply = ReadFixture(QStringLiteral("lookup/panel_qrz_us.xml"));

        explicit TPanel(const QString& event, int lookupType)
        {
            if (!TTestTls::Shared().IsValid()) {
                qFatal("%s", qPrintable(TTestTls::Shared().Error()));
            }
            server.Listen(TTestTls::Shared().NewServer());
            server.SetHandler([this](const TTestHttpServer::TRequest& r) {
                TTestHttpServer::TResponse response;
                if (r.path == QStringLiteral("/qrz")) {
                    response.body = r.query.contains(QStringLiteral("username="))
                                        ? ReadFixture(QStringLiteral("lookup/qrz_login.xml"))
                                        : qrzReply;
                } else {
                    response.body = r.query.startsWith(QStringLiteral("u="))
                                        ? ReadFixture(QStringLiteral("lookup/hamqth_login.xml"))
                                        : ReadFixture(QStringLiteral("lookup/panel_hamqth_dx.xml"));
                }
                return response;
            });
            window->Settings().SaveSetting(Tqrzxml::kUrlKey, server.Url(QStringLiteral("/qrz")).toString());
            window->Settings().SaveSetting(THamQTHxml::kUrlKey,
                                           server.Url(QStringLiteral("/hamqth")).toString());
            QSqlQuery q(window->DM().conConfig());
            q.exec(QStringLiteral("insert into tenten (callsign, ten, vp) values ('W7ABC', '1234', '56')"));
            q.exec(QStringLiteral("insert into epc (callsign, number) values ('W7ABC', '567')"));
            q.exec(QStringLiteral("insert into p070 (callsign, number) values ('W7ABC', '89')"));
            NewLog(QStringLiteral("N0CALL"), event, QStringLiteral("SSB"), [lookupType](QDialog* d) {
                d->findChild<QComboBox*>(QStringLiteral("cboLookDB"))->setCurrentIndex(lookupType);
                d->findChild<QLineEdit*>(QStringLiteral("txtUserID"))->setText(QStringLiteral("n0call"));
                d->findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(QStringLiteral("secret"));
            });
            Find<QCheckBox>("cbLookup")->setChecked(true);
        }

        void LookUp(const QString& call)
        {
            Edit("txtCallsign")->setText(call);
            window->EntryForm().txtCallsignExit();
        }
    };

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void UnitedStatesResultFillsTheForm()
    {
        TPanel f(QStringLiteral("Open Season"), LookupTypes::QRZXML);
        QVERIFY(f.Find<QCheckBox>("cbLookup")->isEnabled());
        f.Find<QCheckBox>("cbAutoFill")->setChecked(true);
        f.LookUp(QStringLiteral("W7ABC"));
        QCOMPARE(f.Find<QLabel>("TextBox3")->text(),
                 QStringLiteral("W7ABC\n\nMaria Lopez\n\n12 Cactus Rd\nTucson AZ 85701\n"
                                "Pima County   Grid: DM42ma\nUnited States\n\n"
                                "Ten-Ten: 1234\n       VP: 56\n    EPC: 567\n    070: 89"));
        QCOMPARE(f.Edit("txtName")->text(), QStringLiteral("Maria"));
        QCOMPARE(f.Edit("txtTenTen")->text(), QStringLiteral("1234"));
        QCOMPARE(f.Edit("txtVP")->text(), QStringLiteral("56"));
        QCOMPARE(f.Edit("txtEPC")->text(), QStringLiteral("567"));
        QCOMPARE(f.Edit("txtP070")->text(), QStringLiteral("89"));
        QVERIFY(f.Find<QRadioButton>("rbUS")->isChecked());
        QCOMPARE(f.Combo("cboQTH")->currentText(), QStringLiteral("AZ"));
        QCOMPARE(f.Combo("cboCounty")->currentText(), QStringLiteral("Pima"));
        QVERIFY(f.Combo("cboCounty")->findText(QStringLiteral("Maricopa")) >= 0);
        QVERIFY(f.Find<QLabel>("lblBD")->text().startsWith(QStringLiteral("Azimuth: ")));
        QVERIFY(f.Find<QLabel>("lblBD")->text().endsWith(QStringLiteral(" KM")));
        QCOMPARE(f.Find<QTabWidget>("PageControl1")->currentIndex(), 0);
        // The login happened once; a second lookup needs none.
        f.LookUp(QStringLiteral("W7ABC"));
        QCOMPARE(f.server.Requests().size(), 3);
        QVERIFY(f.prompts.Records().isEmpty());
    }

    // A station in Hawaii or Alaska, whose country the service gives as the entity: a US state all the same.
    void StateEntityResult_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("county");
        QTest::addColumn<QString>("qth");
        QTest::newRow("Hawaii with its state") << "HI"
                                               << "Honolulu"
                                               << "HI";
        QTest::newRow("Alaska without a state") << ""
                                                << ""
                                                << "AK";
    }

    void StateEntityResult()
    {
        QFETCH(QString, state);
        QFETCH(QString, county);
        QFETCH(QString, qth);
        TPanel f(QStringLiteral("Open Season"), LookupTypes::QRZXML);
        const QString entity =
            qth == QStringLiteral("HI") ? QStringLiteral("Hawaii") : QStringLiteral("Alaska");
        f.qrzReply.replace("<state>AZ</state>", "<state>" + state.toUtf8() + "</state>")
            .replace("<country>United States</country>", "<country>" + entity.toUtf8() + "</country>")
            .replace("<county>Pima</county>", "<county>" + county.toUtf8() + "</county>");
        f.Find<QCheckBox>("cbAutoFill")->setChecked(true);
        f.LookUp(QStringLiteral("KH6ABC"));
        QVERIFY(f.Find<QRadioButton>("rbUS")->isChecked());
        QCOMPARE(f.Combo("cboQTH")->currentText(), qth);
        QVERIFY(!f.Find("cboCounty")->isHidden());
        QVERIFY(f.Combo("cboCounty")->count() > 0);
        QCOMPARE(f.Combo("cboCounty")->currentText(), county);
    }

    // Tab out of the call field runs the lookup; a message box taking the focus does not.
    void LeavingTheFieldLooksUp()
    {
        TPanel f(QStringLiteral("Open Season"), LookupTypes::QRZXML);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.Edit("txtCallsign")->setFocus();
        QTest::keyClicks(f.Edit("txtCallsign"), QStringLiteral("w7abc"));
        QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(f.Edit("txtCallsign"), &popup);
        QCOMPARE(f.server.Requests().size(), 0);
        QTest::keyClick(f.Edit("txtCallsign"), Qt::Key_Tab);
        QVERIFY(f.Find<QLabel>("TextBox3")->text().startsWith(QStringLiteral("W7ABC\n")));
        QCOMPARE(f.server.Requests().size(), 2);
    }

    // A DX station without a first name: the name comes from the entity name, QTH DX is marked and the
    // country selected.
    void DXResult()
    {
        TPanel f(QStringLiteral("Winter Phone"), LookupTypes::HamQTHXML);
        f.Find<QCheckBox>("cbAutoFill")->setChecked(true);
        f.LookUp(QStringLiteral("OK1ABC"));
        QCOMPARE(f.Edit("txtName")->text(), QStringLiteral("Jan Novak"));
        QVERIFY(f.Find<QRadioButton>("rbDX")->isChecked());
        QCOMPARE(f.Combo("cboQTH")->currentText(), QStringLiteral("Czech Republic"));
        QVERIFY(f.Find("cboCounty")->isHidden());
        QCOMPARE(f.Find<QLabel>("TextBox3")->text().section('\n', 0, 1), QStringLiteral("OK1ABC\nJan Novak"));
    }

    // Outside Open Season the EPC and 070 fields are left alone.
    void ClubNumbersOnlyInOpenSeason()
    {
        TPanel f(QStringLiteral("Winter Phone"), LookupTypes::QRZXML);
        f.Find<QCheckBox>("cbAutoFill")->setChecked(true);
        f.Edit("txtEPC")->setText(QStringLiteral("kept"));
        f.LookUp(QStringLiteral("W7ABC"));
        QCOMPARE(f.Edit("txtEPC")->text(), QStringLiteral("kept"));
        QCOMPARE(f.Edit("txtP070")->text(), QString());
        QCOMPARE(f.Edit("txtTenTen")->text(), QStringLiteral("1234"));
    }

    void AutoFillOff()
    {
        TPanel f(QStringLiteral("Open Season"), LookupTypes::QRZXML);
        f.Edit("txtName")->setText(QStringLiteral("typed"));
        f.LookUp(QStringLiteral("W7ABC"));
        QVERIFY(f.Find<QLabel>("TextBox3")->text().startsWith(QStringLiteral("W7ABC\n")));
        QVERIFY(!f.Find<QLabel>("lblBD")->text().isEmpty());
        QCOMPARE(f.Edit("txtName")->text(), QStringLiteral("typed"));
        QCOMPARE(f.Edit("txtTenTen")->text(), QString());
        // The QTH is the one the call's prefix chose, not the lookup's.
        QVERIFY(f.Find<QRadioButton>("rbUS")->isChecked());
    }

    // Leaving the call field looks nothing up while "Lookup" is unticked, or in a log without a source.
    void NoLookupWhenSwitchedOff()
    {
        TPanel f(QStringLiteral("Open Season"), LookupTypes::QRZXML);
        f.Find<QCheckBox>("cbLookup")->setChecked(false);
        f.LookUp(QStringLiteral("W7ABC"));
        QCOMPARE(f.server.Requests().size(), 0);

        TPanel none(QStringLiteral("Sprint"), LookupTypes::None);
        QVERIFY(!none.Find<QCheckBox>("cbLookup")->isEnabled());
        QVERIFY(none.Find<QCheckBox>("cbLookup")->isChecked());
        QVERIFY(none.Find("lblBD")->isHidden());
        none.LookUp(QStringLiteral("W7ABC"));
        // Without a lookup the panel still names the country of the call's prefix.
        QCOMPARE(none.Find<QLabel>("TextBox3")->text(), QStringLiteral("W7ABC\nCountry: United States"));
        QCOMPARE(none.server.Requests().size(), 0);
    }

    // A service that never answers: its first failure shows a box, the next ones only the panel (with the
    // country of the prefix) and the status bar, until a lookup of the service succeeds again.
    void DeadServiceShownOnce()
    {
        TPanel f(QStringLiteral("Open Season"), LookupTypes::QRZXML);
        f.LookUp(QStringLiteral("W7ABC"));
        const QString bearing = f.Find<QLabel>("lblBD")->text();
        QVERIFY(!bearing.isEmpty());
        auto* status = f.Find<QLabel>("lblLookupStatus");
        QVERIFY(status->isHidden());
        f.server.SetSilent(true);
        f.window->Lookup().SetNetworkTimeout(300);
        // A new run of the program: the client logs in again through the stored key.
        f.prompts.AnswerMessage(MsgButton::OK);
        f.LookUp(QStringLiteral("K1XYZ"));
        QCOMPARE(f.prompts.Records().size(), 1);
        QCOMPARE(f.prompts.Records().first().kind, MsgKind::Error);
        QString panel = f.Find<QLabel>("TextBox3")->text();
        QVERIFY2(panel.startsWith(QStringLiteral("K1XYZ\nCountry: United States\n\nLookup failed: ")),
                 qPrintable(panel));
        QVERIFY(!status->isHidden());
        QVERIFY(status->text().contains(QStringLiteral("Lookup failed: ")));
        QVERIFY(f.Find<QLabel>("lblBD")->text().isEmpty());
        QCOMPARE(f.Edit("txtCallsign")->text(), QStringLiteral("K1XYZ"));

        // The second failure asks nothing.
        f.LookUp(QStringLiteral("JA1ABC"));
        QCOMPARE(f.prompts.Records().size(), 1);
        panel = f.Find<QLabel>("TextBox3")->text();
        QVERIFY2(panel.startsWith(QStringLiteral("JA1ABC\nCountry: Japan\n\nLookup failed: ")),
                 qPrintable(panel));

        // The service answers again; its next failure is worth a box again.
        f.server.SetSilent(false);
        f.LookUp(QStringLiteral("W7ABC"));
        QVERIFY(status->isHidden());
        QVERIFY(f.Find<QLabel>("TextBox3")->text().contains(QStringLiteral("Maria Lopez")));
        f.server.SetSilent(true);
        f.prompts.AnswerMessage(MsgButton::OK);
        f.LookUp(QStringLiteral("K1XYZ"));
        QCOMPARE(f.prompts.Records().size(), 2);
    }

    // Bearing and distance need both locators; without one there is no line rather than a bearing to
    // the corner of the map.
    void BearingLineNeedsBothLocators_data()
    {
        QTest::addColumn<bool>("stationGrid");
        QTest::addColumn<QString>("ownGrid");
        QTest::addColumn<QString>("line");
        QTest::newRow("both") << true << "FN31PR"
                              << QStringLiteral("Azimuth: 264.8\u00b0    Distance: 3534.0 KM");
        QTest::newRow("station without a locator") << false << "FN31PR"
                                                   << "";
        QTest::newRow("no own locator") << true << ""
                                        << "";
    }

    void BearingLineNeedsBothLocators()
    {
        QFETCH(bool, stationGrid);
        QFETCH(QString, ownGrid);
        QFETCH(QString, line);
        TPanel f(QStringLiteral("Open Season"), LookupTypes::QRZXML);
        if (!stationGrid) {
            f.qrzReply.replace("<grid>DM42ma</grid>", "");
        }
        f.window->SetGrid(ownGrid);
        f.Find<QLabel>("lblBD")->setText(QStringLiteral("from an earlier call"));
        f.LookUp(QStringLiteral("W7ABC"));
        QVERIFY(f.Find<QLabel>("TextBox3")->text().startsWith(QStringLiteral("W7ABC\n")));
        QCOMPARE(f.Find<QLabel>("lblBD")->text(), line);
        QVERIFY(f.prompts.Records().isEmpty());
    }

    // What the panel shows belongs to the current log: a new log, or another one selected, starts empty.
    void PanelEmptiedWhenAnotherLogBecomesCurrent()
    {
        TPanel f(QStringLiteral("Open Season"), LookupTypes::QRZXML);
        const QString first = f.window->Mysettings().TableName;
        f.LookUp(QStringLiteral("W7ABC"));
        QVERIFY(!f.Find<QLabel>("lblBD")->text().isEmpty());
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Sprint"));
        QCOMPARE(f.Find<QLabel>("TextBox3")->text(), QString());
        QCOMPARE(f.Find<QLabel>("lblBD")->text(), QString());

        f.window->DoOpen();
        auto* list = f.Find<QListWidget>("ListBox1");
        list->setCurrentItem(list->findItems(first, Qt::MatchExactly).value(0));
        f.window->ListBox1Click();
        QCOMPARE(f.window->Mysettings().TableName, first);
        f.LookUp(QStringLiteral("W7ABC"));
        f.window->DoOpen();
        list->setCurrentItem(list->findItems(first, Qt::MatchExactly).value(0));
        f.window->ListBox1Click();
        QCOMPARE(f.Find<QLabel>("TextBox3")->text(), QString());
        QCOMPARE(f.Find<QLabel>("lblBD")->text(), QString());
    }

    // A click on the bearing label clears the form as Clear does.
    void BearingLabelClickClears()
    {
        TPanel f(QStringLiteral("Open Season"), LookupTypes::QRZXML);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.Find<QCheckBox>("cbAutoFill")->setChecked(true);
        f.LookUp(QStringLiteral("W7ABC"));
        f.Edit("txtComments")->setText(QStringLiteral("good signal"));
        f.Edit("txtComments")->setFocus();
        auto* label = f.Find<QLabel>("lblBD");
        QVERIFY(label->isVisible() && !label->text().isEmpty());
        QTest::mouseClick(label, Qt::LeftButton);
        for (const char* name : {"txtCallsign", "txtName", "txtTenTen", "txtVP", "txtEPC", "txtComments"}) {
            QVERIFY2(f.Edit(name)->text().isEmpty(), name);
        }
        QCOMPARE(f.Combo("cboQTH")->currentText(), QString());
        QCOMPARE(f.Combo("cboCounty")->count(), 0);
        QCOMPARE(f.Find<QLabel>("TextBox3")->text(), QString());
        QCOMPARE(label->text(), QString());
        QTRY_VERIFY(f.Edit("txtCallsign")->hasFocus());
        QCOMPARE(f.Combo("cboMode")->currentText(), QStringLiteral("SSB"));
    }

    void UpdateGridLocator()
    {
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Sprint"));
        f.prompts.AnswerInput(QStringLiteral("EM10dg"));
        f.window->findChild<QAction*>(QStringLiteral("mnuUpdateGridLocator"))->trigger();
        QCOMPARE(f.prompts.Records().last().value, QStringLiteral("FN31PR"));
        QCOMPARE(f.prompts.Records().last().caption, QStringLiteral("Grid Square"));
        QCOMPARE(f.Find<QLabel>("StaticText1")->text(), QStringLiteral("Grid Square: EM10dg"));
        QCOMPARE(f.window->Settings().GetSetting(SettingKeys::Grid, ""), QStringLiteral("EM10dg"));
        f.prompts.AnswerInput(std::nullopt);
        f.window->mnuUpdateGridLocatorClick();
        QCOMPARE(f.window->Grid(), QStringLiteral("EM10dg"));
    }

    void ShowXmlOnlyInDebug()
    {
        {
            TAppFixture f;
            f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Sprint"));
            QVERIFY(f.Find("btnShowXML")->isHidden());
        }
        qputenv("VANTREL_DEBUG", "1");
        TPanel f(QStringLiteral("Open Season"), LookupTypes::QRZXML);
        qunsetenv("VANTREL_DEBUG");
        QVERIFY(!f.Find("btnShowXML")->isHidden());
        f.LookUp(QStringLiteral("W7ABC"));
        f.prompts.AnswerMessage(MsgButton::OK);
        f.Find<QPushButton>("btnShowXML")->click();
        QCOMPARE(f.prompts.Messages(), QStringList{f.window->Lookup().GetQRZ_XML()});
        QVERIFY(f.prompts.Messages().first().contains(QStringLiteral("Cactus Rd")));
    }
};

VANTREL_TEST(TestLookupPanel)
#include "tst_LookupPanel.moc"
