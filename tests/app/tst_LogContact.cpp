#include "common/TestRegistry.h"
#include "process/TProcessFixture.h"

#include "app/LogContact.h"
#include "data/LogEdits.h"

#include <QSqlQuery>
#include <QTest>

Q_DECLARE_METATYPE(TLogResult::TOutcome)

namespace {

// A contact of "call,mode,county,tenten" in Arizona.
tLogRecord Contact(const QString& line)
{
    const QStringList f = line.split(',');
    tLogRecord rec;
    rec.date = QStringLiteral("2024-02-03");
    rec.time = QStringLiteral("17:05");
    rec.call = f[0];
    rec.mode = f[1];
    rec.qth = QStringLiteral("AZ");
    rec.uscounty = f[2];
    rec.tenten = f.value(3);
    return rec;
}

// The log's rows as "call,mode,county,points", oldest first.
QStringList Rows(TDM& dm, const QString& table)
{
    QSqlQuery q(dm.condb());
    q.exec(QStringLiteral("select _call,_mode,_uscounty,_points from \"%1\" order by pkey").arg(table));
    QStringList rows;
    while (q.next()) {
        rows << QStringLiteral("%1,%2,%3,%4")
                    .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                         q.value(3).toString());
    }
    return rows;
}

qint64 KeyOf(TDM& dm, const QString& table, int row)
{
    QSqlQuery q(dm.condb());
    q.exec(QStringLiteral("select pkey from \"%1\" order by pkey limit 1 offset %2").arg(table).arg(row));
    return q.next() ? q.value(0).toLongLong() : 0;
}

} // namespace

// Every path that writes a contact goes through LogContact: the event's duplicate rule, the score and the
// store, without a window.
class TestLogContact : public QObject
{
    Q_OBJECT

private slots:
    void NewContact_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("contact");
        QTest::addColumn<bool>("logAnyway");
        QTest::addColumn<TLogResult::TOutcome>("outcome");
        QTest::addColumn<bool>("duplicate");
        QTest::addColumn<int>("points");

        using O = TLogResult::TOutcome;
        // The log holds W1AW on SSB in Pima county.
        QTest::newRow("new call") << "Winter Phone"
                                  << "K1ABC,SSB,Pima,1234" << false << O::Logged << false << 2;
        QTest::newRow("same call, other mode: a duplicate")
            << "Winter Phone"
            << "W1AW,CW,Maricopa," << false << O::Duplicate << true << 0;
        QTest::newRow("duplicate logged anyway") << "Winter Phone"
                                                 << "W1AW,CW,Maricopa," << true << O::Logged << true << 1;
        QTest::newRow("call compared exactly") << "Winter Phone"
                                               << "w1aw,SSB,Pima," << false << O::Logged << false << 1;
        QTest::newRow("Spirit Of 76: other mode") << "Spirit Of 76"
                                                  << "W1AW,CW,Pima," << false << O::Logged << false << 1;
        QTest::newRow("Spirit Of 76: same mode")
            << "Spirit Of 76"
            << "W1AW,SSB,Maricopa," << false << O::Duplicate << true << 0;
        QTest::newRow("Mobile: other county") << "Mobile"
                                              << "W1AW,SSB,Maricopa,1234" << false << O::Logged << false << 2;
        QTest::newRow("Mobile: same county") << "Mobile"
                                             << "W1AW,CW,Pima," << false << O::Duplicate << true << 0;
        QTest::newRow("Weak Signal scores 3") << "Weak Signal"
                                              << "K1ABC,CW,,1234" << false << O::Logged << false << 3;
        QTest::newRow("General Log stores 0 points") << "General Log"
                                                     << "K1ABC,SSB,,1234" << false << O::Logged << false << 2;
    }
    void NewContact()
    {
        QFETCH(QString, event);
        QFETCH(QString, contact);
        QFETCH(bool, logAnyway);
        QFETCH(TLogResult::TOutcome, outcome);
        QFETCH(bool, duplicate);
        QFETCH(int, points);

        TProcessFixture fix(event);
        fix.dm.LogAddRecord(Contact(QStringLiteral("W1AW,SSB,Pima,")), fix.own.TableName);
        const QStringList before = Rows(fix.dm, fix.own.TableName);

        TContactEntry entry{Contact(contact), logAnyway ? TOnDuplicate::LogAnyway : TOnDuplicate::Refuse};
        const TLogResult result = LogContact(fix.dm, fix.own, entry);
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(result.duplicate, duplicate);
        QCOMPARE(result.score.points, points);

        const QStringList rows = Rows(fix.dm, fix.own.TableName);
        if (outcome == TLogResult::TOutcome::Logged) {
            const int stored = event == QStringLiteral("General Log") ? 0 : points;
            const QStringList f = contact.split(',');
            QCOMPARE(rows,
                     before + QStringList{QStringLiteral("%1,%2,%3,%4").arg(f[0], f[1], f[2]).arg(stored)});
        } else {
            QCOMPARE(rows, before);
        }
    }

    void NoLog()
    {
        TProcessFixture fix(QStringLiteral("Winter Phone"));
        TMysettings none = fix.own;
        none.TableName.clear();
        const TLogResult result = LogContact(fix.dm, none, {Contact(QStringLiteral("K1ABC,SSB,Pima,1234"))});
        QCOMPARE(result.outcome, TLogResult::TOutcome::NoLog);
        QCOMPARE(Rows(fix.dm, fix.own.TableName), QStringList());
    }

    // Edit Contact: only a change of what the rule compares can make the contact a duplicate of another,
    // so a log that already holds a duplicate can be corrected otherwise.
    void Change_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("changed");
        QTest::addColumn<TLogResult::TOutcome>("outcome");

        using O = TLogResult::TOutcome;
        // The log: W1AW SSB Pima, K1ABC CW Maricopa, W1AW SSB Pima again (logged anyway by a feed).
        QTest::newRow("new number") << "Winter Phone" << 0 << "W1AW,SSB,Pima,1234" << O::Logged;
        QTest::newRow("call of another contact")
            << "Winter Phone" << 1 << "W1AW,CW,Maricopa," << O::Duplicate;
        QTest::newRow("duplicate already, corrected otherwise")
            << "Winter Phone" << 2 << "W1AW,SSB,Pima,99" << O::Logged;
        QTest::newRow("Spirit Of 76: mode of another W1AW")
            << "Spirit Of 76" << 1 << "W1AW,SSB,Maricopa," << O::Duplicate;
        QTest::newRow("Spirit Of 76: new mode") << "Spirit Of 76" << 0 << "W1AW,RTTY,Pima," << O::Logged;
        QTest::newRow("Mobile: county of another W1AW") << "Mobile" << 1 << "W1AW,FM,Pima," << O::Duplicate;
        QTest::newRow("Mobile: mode is no matter") << "Mobile" << 0 << "W1AW,CW,Pima," << O::Logged;
    }
    void Change()
    {
        QFETCH(QString, event);
        QFETCH(int, row);
        QFETCH(QString, changed);
        QFETCH(TLogResult::TOutcome, outcome);

        TProcessFixture fix(event);
        for (const char* line : {"W1AW,SSB,Pima,", "K1ABC,CW,Maricopa,", "W1AW,SSB,Pima,"}) {
            tLogRecord rec = Contact(QString::fromUtf8(line));
            ScoreForLog(fix.own, rec);
            fix.dm.LogAddRecord(rec, fix.own.TableName);
        }
        const QStringList before = Rows(fix.dm, fix.own.TableName);
        const qint64 key = KeyOf(fix.dm, fix.own.TableName, row);
        TContactEntry entry{Contact(changed)};
        entry.key = key;
        entry.stored = ReadContact(fix.dm, fix.own.TableName, key);
        QVERIFY(entry.stored);

        QCOMPARE(IsDuplicateEntry(fix.dm, fix.own, entry), outcome == TLogResult::TOutcome::Duplicate);
        QCOMPARE(LogContact(fix.dm, fix.own, entry).outcome, outcome);
        QStringList expected = before;
        if (outcome == TLogResult::TOutcome::Logged) {
            tLogRecord rec = Contact(changed);
            const int points = ScoreForLog(fix.own, rec).stored;
            const QStringList f = changed.split(',');
            expected[row] = QStringLiteral("%1,%2,%3,%4").arg(f[0], f[1], f[2]).arg(points);
        }
        QCOMPARE(Rows(fix.dm, fix.own.TableName), expected);
    }
};

VANTREL_TEST(TestLogContact)
#include "tst_LogContact.moc"
