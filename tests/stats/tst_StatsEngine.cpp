#include "StatsDescribe.h"
#include "common/TestRegistry.h"
#include "stats/TStatsEngine.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

struct TContact
{
    QByteArray date;
    QByteArray time;
    int points = 2;
    QByteArray mode = "SSB";
    QByteArray qth = "TX";
};
using TContacts = QList<TContact>;

TMinute Utc(const char* text)
{
    QDateTime moment = QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm"));
    moment.setTimeSpec(Qt::UTC);
    return MinuteOf(moment);
}

void Load(TStatsEngine& e, const TContacts& contacts)
{
    e.BeginLoad();
    for (const TContact& c : contacts) {
        e.Add(ContactMinute(c.date, c.time), c.points, c.mode, c.qth);
    }
    e.EndLoad();
}

} // namespace

// The figures of the statistics, against logs worked out by hand.
class TestStatsEngine : public QObject
{
    Q_OBJECT

private slots:
    void ParseDateTime_data()
    {
        QTest::addColumn<QByteArray>("date");
        QTest::addColumn<QByteArray>("time");
        QTest::addColumn<QString>("utc"); // empty: not a valid date and time
        QTest::newRow("stored form") << QByteArray("2024-02-03") << QByteArray("17:05") << "2024-02-03 17:05";
        QTest::newRow("typed without colon")
            << QByteArray("2024-02-03") << QByteArray("1705") << "2024-02-03 17:05";
        QTest::newRow("one-digit hour")
            << QByteArray("2024-02-03") << QByteArray("9:05") << "2024-02-03 09:05";
        QTest::newRow("seconds dropped")
            << QByteArray("2024-02-03") << QByteArray("23:59:59") << "2024-02-03 23:59";
        QTest::newRow("ADIF date") << QByteArray("20240203") << QByteArray("00:00") << "2024-02-03 00:00";
        QTest::newRow("blanks around")
            << QByteArray(" 2024-02-03 ") << QByteArray(" 17:05") << "2024-02-03 17:05";
        QTest::newRow("leap day") << QByteArray("2024-02-29") << QByteArray("12:00") << "2024-02-29 12:00";
        QTest::newRow("before 1970") << QByteArray("1969-12-31") << QByteArray("23:59") << "1969-12-31 23:59";
        QTest::newRow("empty date") << QByteArray() << QByteArray("17:05") << "";
        QTest::newRow("empty time") << QByteArray("2024-02-03") << QByteArray() << "";
        QTest::newRow("no leap day") << QByteArray("2023-02-29") << QByteArray("12:00") << "";
        QTest::newRow("month 13") << QByteArray("2024-13-01") << QByteArray("12:00") << "";
        QTest::newRow("day 0") << QByteArray("2024-02-00") << QByteArray("12:00") << "";
        QTest::newRow("year 0") << QByteArray("0000-01-01") << QByteArray("12:00") << "";
        QTest::newRow("hour 24") << QByteArray("2024-02-03") << QByteArray("24:00") << "";
        QTest::newRow("minute 60") << QByteArray("2024-02-03") << QByteArray("12:60") << "";
        QTest::newRow("second 60") << QByteArray("2024-02-03") << QByteArray("12:00:60") << "";
        QTest::newRow("other date order") << QByteArray("03/02/2024") << QByteArray("12:00") << "";
        QTest::newRow("letters") << QByteArray("2024-0a-03") << QByteArray("12:00") << "";
        QTest::newRow("minus in time") << QByteArray("2024-02-03") << QByteArray("-1:00") << "";
    }
    void ParseDateTime()
    {
        QFETCH(QByteArray, date);
        QFETCH(QByteArray, time);
        QFETCH(QString, utc);
        const std::optional<TMinute> minute = ::ContactMinute(date, time);
        if (utc.isEmpty()) {
            QVERIFY(!minute);
        } else {
            QVERIFY(minute);
            QCOMPARE(MinuteTime(*minute).toString(QStringLiteral("yyyy-MM-dd HH:mm")), utc);
            QCOMPARE(MinuteTime(*minute).timeSpec(), Qt::UTC);
        }
    }

    // Rates, best hour and time on the air of small logs, each worked out by hand.
    void Figures_data()
    {
        QTest::addColumn<TContacts>("log");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QList<int>>("counts");    // contacts, left out, last 10 min, last 60 min, this hour
        QTest::addColumn<QList<qint64>>("rates");  // last 10: contacts, minutes; last 100: contacts, minutes
        QTest::addColumn<QString>("best");         // contacts and start, "0" for none
        QTest::addColumn<QString>("span");         // first, last, minutes on the air
        QTest::addColumn<QStringList>("offTimes"); // from and to of each

        QTest::newRow("empty") << TContacts{} << "2024-02-03 12:00" << QList<int>{0, 0, 0, 0, 0}
                               << QList<qint64>{0, 0, 0, 0} << "0"
                               << "- - 0" << QStringList{};
        QTest::newRow("one contact") << TContacts{{"2024-02-03", "12:00"}} << "2024-02-03 12:05"
                                     << QList<int>{1, 0, 1, 1, 1} << QList<qint64>{1, 1, 1, 1}
                                     << "1 2024-02-03 12:00"
                                     << "2024-02-03 12:00 2024-02-03 12:00 0" << QStringList{};
        // 23:50 and 23:55, then 00:05 and 00:10 of the next day; now 00:12: the last 10 minutes are 00:03
        // to 00:12, the last 60 from 23:13 on, and the hour is 00:00 of the new day.
        QTest::newRow("across midnight UTC") << TContacts{{"2024-02-03", "23:50"},
                                                          {"2024-02-03", "23:55"},
                                                          {"2024-02-04", "00:05"},
                                                          {"2024-02-04", "00:10"}}
                                             << "2024-02-04 00:12" << QList<int>{4, 0, 2, 4, 2}
                                             << QList<qint64>{4, 21, 4, 21} << "4 2024-02-03 23:50"
                                             << "2024-02-03 23:50 2024-02-04 00:10 20" << QStringList{};
        // New year's eve to new year's day with a leap-year February on the way: 59 minutes over the
        // year's end are an off-time (longer than 30), 30 minutes into the leap day are not.
        QTest::newRow("across a date change")
            << TContacts{{"2023-12-31", "23:30"},
                         {"2024-01-01", "00:29"},
                         {"2024-02-28", "23:45"},
                         {"2024-02-29", "00:15"}}
            << "2024-02-29 00:20" << QList<int>{4, 0, 1, 2, 1} << QList<qint64>{4, 85006, 4, 85006}
            << "2 2023-12-31 23:30"
            << "2023-12-31 23:30 2024-02-29 00:15 30"
            << QStringList{"2023-12-31 23:30", "2024-01-01 00:29", "2024-01-01 00:29", "2024-02-28 23:45"};
        // 10:00, 10:10, 10:20, three hours off, 13:20 and 13:30: on the air 30 of 210 minutes.
        QTest::newRow("gap of 3 hours")
            << TContacts{{"2024-02-03", "10:00"},
                         {"2024-02-03", "10:10"},
                         {"2024-02-03", "10:20"},
                         {"2024-02-03", "13:20"},
                         {"2024-02-03", "13:30"}}
            << "2024-02-03 13:35" << QList<int>{5, 0, 1, 2, 2} << QList<qint64>{5, 211, 5, 211}
            << "3 2024-02-03 10:00"
            << "2024-02-03 10:00 2024-02-03 13:30 30" << QStringList{"2024-02-03 10:20", "2024-02-03 13:20"};
        // Ten contacts in the minute 14:07 are 600 per hour; the one at 13:00 before them is not among
        // the last ten, but is among the last hundred (11 over 68 minutes), and 67 minutes before the
        // ten it is an off-time.
        TContacts burst{{"2024-02-03", "13:00"}};
        for (int i = 0; i < 10; ++i) {
            burst.append(TContact{"2024-02-03", "14:07"});
        }
        QTest::newRow("10 contacts within one minute")
            << burst << "2024-02-03 14:07" << QList<int>{11, 0, 10, 10, 10} << QList<qint64>{10, 1, 11, 68}
            << "10 2024-02-03 14:07"
            << "2024-02-03 13:00 2024-02-03 14:07 0" << QStringList{"2024-02-03 13:00", "2024-02-03 14:07"};
        // Only 12:00, 1230 (typed) and 12:45:30 are times; the other six count in the totals only.
        QTest::newRow("empty or broken date and time")
            << TContacts{{"", ""},
                         {"2024-02-03", "12:00"},
                         {"2024-02-30", "12:00"},
                         {"2024-02-03", "25:00"},
                         {"20240203", "1230"},
                         {"2024-02-03", "12:60"},
                         {"03/02/2024", "12:00"},
                         {"2024-02-03", ""},
                         {"2024-02-03", "12:45:30"}}
            << "2024-02-03 12:50" << QList<int>{9, 6, 1, 3, 3} << QList<qint64>{3, 46, 3, 46}
            << "3 2024-02-03 12:00"
            << "2024-02-03 12:00 2024-02-03 12:45 45" << QStringList{};
    }
    void Figures()
    {
        QFETCH(TContacts, log);
        QFETCH(QString, now);
        QFETCH(QList<int>, counts);
        QFETCH(QList<qint64>, rates);
        QFETCH(QString, best);
        QFETCH(QString, span);
        QFETCH(QStringList, offTimes);

        // Loaded at once and added one after the other give the same figures.
        for (const bool incremental : {false, true}) {
            TStatsEngine e;
            if (incremental) {
                for (const TContact& c : log) {
                    e.Add(ContactMinute(c.date, c.time), c.points, c.mode, c.qth);
                }
            } else {
                Load(e, log);
            }
            const TMinute n = Utc(qPrintable(now));
            QCOMPARE((QList<int>{e.Contacts(), e.LeftOut(), e.InLastMinutes(n, 10), e.InLastMinutes(n, 60),
                                 e.InHourOf(n)}),
                     counts);
            const TRate r10 = e.LastContacts(10);
            const TRate r100 = e.LastContacts(100);
            QCOMPARE((QList<qint64>{r10.contacts, r10.minutes, r100.contacts, r100.minutes}), rates);
            const auto moment = [](std::optional<TMinute> m) {
                return m ? MinuteTime(*m).toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QStringLiteral("-");
            };
            const TBestHour b = e.BestHour();
            QCOMPARE(b.contacts == 0 ? QStringLiteral("0")
                                     : QStringLiteral("%1 %2").arg(b.contacts).arg(moment(b.start)),
                     best);
            QCOMPARE(QStringLiteral("%1 %2 %3").arg(moment(e.First()), moment(e.Last())).arg(e.TimeOn()),
                     span);
            QStringList offs;
            qint64 total = 0;
            for (const TOffTime& off : e.OffTimes()) {
                offs << moment(off.from) << moment(off.to);
                total += off.Minutes();
            }
            QCOMPARE(offs, offTimes);
            QCOMPARE(e.OffTotal(), total);
        }
    }

    void RatePerHour()
    {
        QCOMPARE((TRate{10, 1}.PerHour()), 600.0);
        QCOMPARE((TRate{4, 21}.PerHour()), 4 * 60.0 / 21);
        QCOMPARE(TRate().PerHour(), 0.0);
    }

    // A time off is a gap longer than the threshold, not one as long: 30 minutes are on the air.
    void OffTimeThreshold()
    {
        TStatsEngine e;
        Load(e, {{"2024-02-03", "10:00"},
                 {"2024-02-03", "10:30"},
                 {"2024-02-03", "11:01"},
                 {"2024-02-03", "13:01"}});
        QCOMPARE(e.OffTimes().size(), 2); // 10:30-11:01 (31) and 11:01-13:01 (120)
        QCOMPARE(e.TimeOn(), 30);
        e.SetOffTimeThreshold(31);
        QCOMPARE(e.OffTimes().size(), 1);
        QCOMPARE(e.TimeOn(), 61);
        e.SetOffTimeThreshold(120);
        QCOMPARE(e.OffTimes().size(), 0);
        QCOMPARE(e.TimeOn(), 181);
        // A contact added later splits a gap with the threshold in force.
        e.SetOffTimeThreshold(30);
        e.Add(ContactMinute("2024-02-03", "12:00"), 0, "", "");
        QCOMPARE(e.OffTimes().size(), 3); // 10:30-11:01 (31), 11:01-12:00 (59) and 12:00-13:01 (61)
        QCOMPARE(e.TimeOn(), 30);
    }

    // Contacts per hour with their points, and the cumulative score of the charts.
    void Hours()
    {
        TStatsEngine e;
        Load(e, {{"2024-02-03", "23:10", 2},
                 {"2024-02-03", "23:59", 3},
                 {"2024-02-04", "01:00", 5},
                 {"", "", 100},
                 {"2024-02-03", "23:30", 1}});
        QStringList hours;
        for (const auto& [hour, count] : e.Hours()) {
            hours << QStringLiteral("%1 %2 %3")
                         .arg(MinuteTime(hour * 60).toString(QStringLiteral("MM-dd HH")))
                         .arg(count.contacts)
                         .arg(count.points);
        }
        QCOMPARE(hours, (QStringList{"02-03 23 3 6", "02-04 01 1 5"}));
        // The points of a contact without a time are in the score, not in the charts.
        QCOMPARE(e.TimedPoints(), 11);
    }

    void Breakdowns()
    {
        TStatsEngine e;
        TContacts log;
        const QList<std::tuple<const char*, const char*, int>> counts = {
            {"SSB", "TX", 5}, {"CW", "Germany", 3}, {"FT8", "OR", 3}, {"", "", 1}, {"FM", "Japan", 2}};
        for (const auto& [mode, qth, n] : counts) {
            for (int i = 0; i < n; ++i) {
                log.append({"2024-02-03", "12:00", 1, mode, qth});
            }
        }
        log.append({"", "", 1, "AM", "Spain"}); // no time: not in the charts
        Load(e, log);
        const TBreakdown modes = e.Modes(3);
        QCOMPARE(modes.top, (QList<QPair<QString, int>>{{"SSB", 5}, {"CW", 3}, {"FT8", 3}}));
        QCOMPARE(modes.other, 3);
        const TBreakdown qths = e.Qths(10);
        QCOMPARE(qths.top,
                 (QList<QPair<QString, int>>{{"TX", 5}, {"Germany", 3}, {"OR", 3}, {"Japan", 2}, {"", 1}}));
        QCOMPARE(qths.other, 0);
        QVERIFY(IsStateQth(QStringLiteral("TX")));
        QVERIFY(!IsStateQth(QStringLiteral("Germany")));
        QVERIFY(!IsStateQth(QString()));
    }

    // Contacts added one by one, in any order of time, give the figures of a load of the same log, for
    // every threshold.
    void AddedEqualsLoaded()
    {
        QRandomGenerator rng(26);
        for (int round = 0; round < 20; ++round) {
            TContacts log;
            const QDateTime start(QDate(2024, 2, 3), QTime(0, 0), Qt::UTC);
            const int size = 1 + rng.bounded(300);
            for (int i = 0; i < size; ++i) {
                // Mostly in order with bursts and gaps, some out of order, a few without a time.
                const qint64 minute =
                    rng.bounded(100) < 80 ? qint64(i) * rng.bounded(3) : rng.bounded(3 * 1440);
                const QDateTime at = start.addSecs(minute * 60);
                TContact c{at.toString(QStringLiteral("yyyy-MM-dd")).toLatin1(),
                           at.toString(QStringLiteral("HH:mm")).toLatin1(), int(rng.bounded(4)),
                           QByteArray(1, char('A' + rng.bounded(4))), QByteArray(1 + rng.bounded(2), 'X')};
                if (rng.bounded(50) == 0) {
                    c.time = "later";
                }
                log.append(c);
            }
            const int threshold = 1 + rng.bounded(60);
            TStatsEngine loaded(threshold);
            Load(loaded, log);
            TStatsEngine added(threshold);
            for (const TContact& c : log) {
                added.Add(ContactMinute(c.date, c.time), c.points, c.mode, c.qth);
            }
            for (const TMinute now : {Utc("2024-02-03 00:30"), Utc("2024-02-04 12:00")}) {
                QCOMPARE(DescribeStats(added, now), DescribeStats(loaded, now));
            }
        }
    }
};

VANTREL_TEST(TestStatsEngine)

#include "tst_StatsEngine.moc"
