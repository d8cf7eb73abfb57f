#include "common/TTestHome.h"
#include "common/TTestRigctld.h"
#include "common/TestRegistry.h"

#include "cluster/SpotLine.h"
#include "data/EventNames.h"
#include "data/TDM.h"
#include "feeds/TRigControl.h"
#include "gui/cluster/TBandMapDock.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTest>
#include <memory>

namespace {

TSpot Spot(const char* line)
{
    const std::optional<TSpot> spot = ParseSpotLine(QByteArray(line));
    if (!spot) {
        qFatal("no spot: %s", line);
    }
    return *spot;
}

TSpot Spot(const QString& call, qint64 hertz, const QString& spotter = QStringLiteral("W3LPL"),
           const QString& mode = QString())
{
    TSpot spot;
    spot.call = call;
    spot.hertz = hertz;
    spot.spotter = spotter;
    spot.mode = mode;
    return spot;
}

QStringList Calls(const TBandMapDock& map)
{
    QStringList calls;
    for (const TBandMapRow& row : map.Rows()) {
        calls << row.entry.spot.call;
    }
    return calls;
}

const TBandMapRow* RowOf(const TBandMapDock& map, const QString& call)
{
    for (const TBandMapRow& row : map.Rows()) {
        if (row.entry.spot.call == call) {
            return &row;
        }
    }
    return nullptr;
}

} // namespace

// The band map over a real log: what each spot means for the log under the event's rule, merging, ageing,
// and choosing a spot with the keyboard.
class TestBandMap : public QObject
{
    Q_OBJECT

    std::unique_ptr<TTestHome> fHome;
    std::unique_ptr<TDM> fDM;
    QDateTime fNow = QDateTime(QDate(2024, 6, 8), QTime(14, 0), Qt::UTC);

    // A log of the event (table "K1XYZ_2024_Test"), and JA1XYZ a Ten-Ten member with number 12345.
    QString MakeLog(const QString& event)
    {
        TMysettings rec;
        rec.TableName = QStringLiteral("K1XYZ_2024_Test");
        rec.Callsign = QStringLiteral("K1XYZ");
        rec.ContestName = event;
        fDM->CreateConfig();
        fDM->CreateLog(rec);
        QSqlQuery q(fDM->conConfig());
        if (!q.exec(
                QStringLiteral("insert into tenten (callsign, ten, vp) values ('JA1XYZ', '12345', '')"))) {
            qFatal("roster: %s", qPrintable(q.lastError().text()));
        }
        return rec.TableName;
    }

    void Log(const QString& table, const QString& call, const QString& mode,
             const QString& county = QString())
    {
        tLogRecord rec;
        rec.call = call;
        rec.mode = mode;
        rec.uscounty = county;
        fDM->LogAddRecord(rec, table);
    }

    std::unique_ptr<TBandMapDock> Map()
    {
        return std::make_unique<TBandMapDock>(*fDM, nullptr, [this] { return fNow; });
    }

private slots:
    void initTestCase() { qRegisterMetaType<TSpot>(); }

    void init()
    {
        fHome = std::make_unique<TTestHome>();
        fHome->PrepareWorkFolder();
        fDM = std::make_unique<TDM>();
        fDM->OpenLogs(fHome->Work() + QStringLiteral("logs.db"));
        fDM->OpenConfig(fHome->Work() + QStringLiteral("config.db"));
    }
    void cleanup()
    {
        fDM.reset();
        fHome.reset();
    }

    void Standing_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<QStringList>("logged"); // call/mode/county
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("entryMode");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("tenten");
        const QByteArray k1abcCw =
            "DX de W3LPL:     28025.0  K1ABC        CW 599                         1234Z";
        const QByteArray k1abcNoMode =
            "DX de W3LPL:     28425.0  K1ABC        loud                           1234Z";
        const int fresh = int(TSpotStatus::New);
        const int dupe = int(TSpotStatus::Dupe);
        const int worked = int(TSpotStatus::Worked);
        QTest::newRow("new member")
            << Events::OpenSeason << QStringList{}
            << QByteArray("DX de KM3T-#:    28022.5  JA1XYZ         CW    14 dB  22 WPM  CQ      1807Z")
            << "SSB" << fresh << "12345";
        QTest::newRow("worked once per log")
            << Events::OpenSeason << QStringList{"K1ABC/SSB/"} << k1abcCw << "SSB" << dupe << "";
        QTest::newRow("worked member is a dupe with its number")
            << Events::WeakSignal << QStringList{"JA1XYZ/CW/"}
            << QByteArray("DX de W3LPL:  28030.0  JA1XYZ  CW  1234Z") << "CW" << dupe << "12345";
        QTest::newRow("other call") << Events::OpenSeason << QStringList{"K1ABD/CW/"} << k1abcCw << "CW"
                                    << fresh << "";
        QTest::newRow("per mode: other mode counts")
            << Events::SpiritOf76 << QStringList{"K1ABC/SSB/"} << k1abcCw << "SSB" << fresh << "";
        QTest::newRow("per mode: same mode")
            << Events::SpiritOf76 << QStringList{"K1ABC/CW/"} << k1abcCw << "SSB" << dupe << "";
        QTest::newRow("per mode: USB in the comment is SSB")
            << Events::SpiritOf76 << QStringList{"K1ABC/SSB/"}
            << QByteArray("DX de W3LPL:  28400.0  K1ABC  USB 59  1234Z") << "CW" << dupe << "";
        QTest::newRow("per mode: the form's mode for a spot without one")
            << Events::SpiritOf76 << QStringList{"K1ABC/CW/"} << k1abcNoMode << "CW" << dupe << "";
        QTest::newRow("per mode: the form in another mode")
            << Events::SpiritOf76 << QStringList{"K1ABC/CW/"} << k1abcNoMode << "SSB" << fresh << "";
        QTest::newRow("per county: worked, may count again")
            << Events::Mobile << QStringList{"K1ABC/SSB/Hartford"} << k1abcCw << "SSB" << worked << "";
    }
    void Standing()
    {
        QFETCH(QString, event);
        QFETCH(QStringList, logged);
        QFETCH(QByteArray, line);
        QFETCH(QString, entryMode);
        QFETCH(int, status);
        QFETCH(QString, tenten);
        const QString table = MakeLog(event);
        for (const QString& contact : logged) {
            const QStringList f = contact.split(QLatin1Char('/'));
            Log(table, f[0], f[1], f[2]);
        }
        auto map = Map();
        map->SetLog(table, event);
        map->SetEntryMode(entryMode);
        const TSpot spot = Spot(line.constData());
        map->AddSpot(spot);
        map->Refresh();
        const TBandMapRow* row = RowOf(*map, spot.call);
        QVERIFY(row);
        QCOMPARE(int(row->standing.status), status);
        QCOMPARE(row->standing.tenten, tenten);
    }

    // The operator logs the spotted call: the spot turns from new to dupe, on the screen too.
    void LoggedCallTurnsDupe()
    {
        const QString table = MakeLog(Events::OpenSeason);
        auto map = Map();
        map->SetLog(table, Events::OpenSeason);
        map->resize(500, 400);
        map->AddSpot(Spot("DX de W3LPL:     28025.0  K1ABC        CW 599                         1234Z"));
        map->Refresh();
        QCOMPARE(RowOf(*map, QStringLiteral("K1ABC"))->standing.status, TSpotStatus::New);
        TBandMapView* view = map->View();
        const TSpotStanding dupe{TSpotStatus::Dupe, QString()};
        const TSpotStanding fresh{TSpotStatus::New, QString()};
        QVERIFY(view->ColorOf(dupe) != view->ColorOf(fresh));
        // The line from the scale to the label is drawn in the spot's colour.
        const auto leaderColour = [&] {
            const QImage image = view->grab().toImage();
            const QRect label = view->LabelRect(0);
            return QColor(image.pixel(label.left() - 10, (label.center().y() + view->YOf(28025000)) / 2));
        };
        QCOMPARE(leaderColour(), view->ColorOf(fresh));

        Log(table, QStringLiteral("K1ABC"), QStringLiteral("CW"));
        map->ContactsChanged();
        QCOMPARE(RowOf(*map, QStringLiteral("K1ABC"))->standing.status, TSpotStatus::Dupe);
        QCOMPARE(leaderColour(), view->ColorOf(dupe));
        // Nothing of the spot went into the log on its own.
        QCOMPARE(fDM->LogCounts(table).total, 1);
    }

    // A logged contact checks the spots against the log again and keeps their roster numbers; loading the
    // rosters again looks the numbers up again.
    void RosterNumbersFollowTheRosters()
    {
        const QString table = MakeLog(Events::OpenSeason);
        auto map = Map();
        map->SetLog(table, Events::OpenSeason);
        map->AddSpot(Spot(QStringLiteral("JA1XYZ"), 28025000));
        map->AddSpot(Spot(QStringLiteral("W1NEW"), 28030000));
        map->Refresh();
        QCOMPARE(RowOf(*map, QStringLiteral("W1NEW"))->standing.tenten, QString());

        Log(table, QStringLiteral("JA1XYZ"), QStringLiteral("CW"));
        map->ContactsChanged();
        QCOMPARE(RowOf(*map, QStringLiteral("JA1XYZ"))->standing.status, TSpotStatus::Dupe);
        QCOMPARE(RowOf(*map, QStringLiteral("JA1XYZ"))->standing.tenten, QStringLiteral("12345"));

        QSqlQuery q(fDM->conConfig());
        QVERIFY(
            q.exec(QStringLiteral("insert into tenten (callsign, ten, vp) values ('W1NEW', '54321', '')")));
        QVERIFY(q.exec(QStringLiteral("delete from tenten where callsign = 'JA1XYZ'")));
        map->RostersChanged();
        QCOMPARE(RowOf(*map, QStringLiteral("W1NEW"))->standing.tenten, QStringLiteral("54321"));
        QCOMPARE(RowOf(*map, QStringLiteral("W1NEW"))->standing.status, TSpotStatus::New);
        QCOMPARE(RowOf(*map, QStringLiteral("JA1XYZ"))->standing.tenten, QString());
        QCOMPARE(RowOf(*map, QStringLiteral("JA1XYZ"))->standing.status, TSpotStatus::Dupe);
    }

    // Repeated spots of one call are one entry at the latest frequency; a call leaves once it has not been
    // spotted for the age; only 10 m is taken; entries stand in order of frequency, the newest first at one.
    void MergeAndAge()
    {
        auto map = Map();
        map->AddSpot(Spot(QStringLiteral("K1ABC"), 28025000));
        fNow = fNow.addSecs(5 * 60);
        map->AddSpot(Spot(QStringLiteral("K1ABC"), 28026000, QStringLiteral("KM3T-#")));
        map->AddSpot(Spot(QStringLiteral("DL1ABC"), 14025000));
        map->AddSpot(Spot(QStringLiteral("G4ABC"), 28500000));
        fNow = fNow.addSecs(5 * 60);
        map->AddSpot(Spot(QStringLiteral("W7NEW"), 28500000));
        map->AddSpot(Spot(QStringLiteral("VK2ABC"), 28010000));
        map->Refresh();
        QCOMPARE(Calls(*map), (QStringList{"VK2ABC", "K1ABC", "W7NEW", "G4ABC"}));
        const TBandMapRow* k1abc = RowOf(*map, QStringLiteral("K1ABC"));
        QCOMPARE(k1abc->entry.count, 2);
        QCOMPARE(k1abc->entry.spot.hertz, qint64(28026000));
        QCOMPARE(k1abc->entry.spotters, (QStringList{"KM3T-#", "W3LPL"}));

        // 30 minutes after K1ABC and G4ABC were last heard, 25 after the others.
        fNow = fNow.addSecs(25 * 60 + 1);
        map->Refresh();
        QCOMPARE(Calls(*map), (QStringList{"VK2ABC", "W7NEW"}));
        map->SetMaxAge(20);
        map->Refresh();
        QCOMPARE(Calls(*map), QStringList{});
    }

    // Crowded spots never hide one another: each label lies below the one before, in any font.
    void CrowdedLabels()
    {
        auto map = Map();
        for (int i = 0; i < 30; ++i) {
            map->AddSpot(Spot(QStringLiteral("K%1AB").arg(i), 28074000 + i * 100));
        }
        map->Refresh();
        TBandMapView* view = map->View();
        QCOMPARE(int(map->Rows().size()), 30);
        for (int i = 1; i < 30; ++i) {
            QVERIFY(view->LabelRect(i).top() >= view->LabelRect(i - 1).bottom());
        }
        QVERIFY(view->minimumHeight() > view->LabelRect(29).bottom());

        // A larger font makes every label wider and taller, none overlapping still.
        const QRect small = view->LabelRect(0);
        QFont large = view->font();
        large.setPointSizeF(large.pointSizeF() * 2);
        view->setFont(large);
        QVERIFY(view->LabelRect(0).width() > small.width());
        QVERIFY(view->LabelRect(0).height() > small.height());
        for (int i = 1; i < 30; ++i) {
            QVERIFY(view->LabelRect(i).top() >= view->LabelRect(i - 1).bottom());
        }
    }

    // Arrow keys move between spots (from the one nearest the rig), Enter and a double-click choose one.
    void Keyboard()
    {
        auto map = Map();
        map->AddSpot(Spot(QStringLiteral("K1ABC"), 28025000));
        map->AddSpot(Spot(QStringLiteral("G4ABC"), 28400000));
        map->AddSpot(Spot(QStringLiteral("JA1XYZ"), 29600000));
        map->Refresh();
        map->resize(400, 600);
        map->show();
        QVERIFY(QTest::qWaitForWindowExposed(map.get()));
        TBandMapView* view = map->View();
        view->setFocus();
        QSignalSpy chosen(map.get(), &TBandMapDock::SpotChosen);

        map->SetRigFrequency(28390000);
        QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(view->Selected(), 1);
        QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(view->Selected(), 2);
        QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(view->Selected(), 2);
        QTest::keyClick(view, Qt::Key_Up);
        QTest::keyClick(view, Qt::Key_Up);
        QCOMPARE(view->Selected(), 0);
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.first().first().value<TSpot>().call, QStringLiteral("K1ABC"));

        // The selection stays on its call when spots come and go.
        map->AddSpot(Spot(QStringLiteral("VK2ABC"), 28010000));
        map->Refresh();
        QCOMPARE(view->Selected(), 1);

        const QRect label = view->LabelRect(3);
        QTest::mouseDClick(view, Qt::LeftButton, Qt::NoModifier, label.center());
        QCOMPARE(chosen.size(), 2);
        QCOMPARE(chosen.last().first().value<TSpot>().call, QStringLiteral("JA1XYZ"));

        // Zooming keeps every label apart and grows the map.
        const int height = view->minimumHeight();
        QTest::keyClick(view, Qt::Key_Plus);
        QVERIFY(view->minimumHeight() > height);
        QTest::keyClick(view, Qt::Key_Minus);
        QTest::keyClick(view, Qt::Key_Minus);
        QVERIFY(view->minimumHeight() < height);
    }

    // Enter on a spot tunes the real rig to it in its mode, as the main window does with the chosen spot.
    void EnterTunesRig()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("rigctld")).isEmpty()) {
            QFAIL("rigctld (Debian package libhamlib-utils) is not installed");
        }
        const quint16 port = FreeTcpPort();
        TRigctld daemon(port);
        QVERIFY(daemon.Start());
        QVERIFY(daemon.Set({"F", "28400000"}));
        QVERIFY(daemon.Set({"M", "USB", "2400"}));
        TRigControl rig;
        rig.SetPollInterval(100);
        rig.Start(QStringLiteral("127.0.0.1"), port);
        QTRY_COMPARE(rig.State(), TRigControl::TState::Connected);

        auto map = Map();
        connect(&rig, &TRigControl::FrequencyChanged, map.get(), &TBandMapDock::SetRigFrequency);
        QTRY_COMPARE(rig.Frequency(), qint64(28400000));
        map->SetRigFrequency(rig.Frequency());
        connect(map.get(), &TBandMapDock::SpotChosen, &rig,
                [&](const TSpot& spot) { rig.Tune(spot.hertz, RigModeForForm(spot.mode)); });
        map->AddSpot(Spot("DX de KM3T-#:    28022.5  K1ABC          CW    14 dB  22 WPM  CQ      1807Z"));
        map->AddSpot(Spot("DX de W3LPL:     28460.0  G4ABC        USB 59                         1234Z"));
        map->Refresh();
        QTRY_COMPARE(map->View()->RigFrequency(), qint64(28400000));
        QTest::keyClick(map->View(), Qt::Key_Up);
        QCOMPARE(map->View()->Selected(), 1);
        QTest::keyClick(map->View(), Qt::Key_Up);
        QTest::keyClick(map->View(), Qt::Key_Enter);
        QTRY_COMPARE(rig.Frequency(), qint64(28022500));
        QTRY_COMPARE(rig.Mode(), QStringLiteral("CW"));
        QCOMPARE(daemon.Run({"m"}).value_or(QString()).section(QLatin1Char('\n'), 0, 0),
                 QStringLiteral("CW"));
        QTRY_COMPARE(map->View()->RigFrequency(), qint64(28022500));

        QTest::keyClick(map->View(), Qt::Key_Down);
        QTest::keyClick(map->View(), Qt::Key_Return);
        QTRY_COMPARE(rig.Frequency(), qint64(28460000));
        QTRY_COMPARE(rig.Mode(), QStringLiteral("USB"));
    }
};

VANTREL_TEST(TestBandMap)
#include "tst_BandMap.moc"
