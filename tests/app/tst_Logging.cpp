#include "AppFixture.h"
#include "common/TestRegistry.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTreeView>

// Selecting logs, entering contacts, the duplicate rules, the dupe list, the counters and the clock.
class TestLogging : public QObject
{
    Q_OBJECT

    // Clicks the line of the log list that holds a table name.
    static void Select(TAppFixture& f, const QString& table)
    {
        f.window->DoOpen();
        auto* list = f.Find<QListWidget>("ListBox1");
        const auto items = list->findItems(table, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        list->setCurrentItem(items.first());
        f.window->ListBox1Click();
    }

    static QStringList DupeLines(TAppFixture& f)
    {
        QStringList lines;
        const QAbstractItemModel* model = f.Find<QTreeView>("ListView1")->model();
        while (model->canFetchMore(QModelIndex())) {
            const_cast<QAbstractItemModel*>(model)->fetchMore(QModelIndex());
        }
        for (int r = 0; r < model->rowCount(); ++r) {
            lines << QStringLiteral("%1|%2|%3")
                         .arg(model->index(r, 0).data().toString(), model->index(r, 1).data().toString(),
                              model->index(r, 2).data().toString());
        }
        return lines;
    }

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void PointsAndCounters_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("tenten");
        QTest::addColumn<QString>("epc");
        QTest::addColumn<QString>("p070");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("counters"); // with, without, epc, 070, total
        QTest::newRow("ordinary") << "Winter Phone"
                                  << "1234"
                                  << ""
                                  << "" << 2 << "1 0 0 0 2";
        QTest::newRow("Weak Signal") << "Weak Signal"
                                     << "1234"
                                     << ""
                                     << "" << 3 << "1 0 0 0 3";
        QTest::newRow("Ten-Ten 0") << "Winter Phone"
                                   << "0"
                                   << ""
                                   << "" << 1 << "0 1 0 0 1";
        QTest::newRow("Ten-Ten 00") << "Winter Phone"
                                    << "00"
                                    << ""
                                    << "" << 2 << "1 0 0 0 2";
        QTest::newRow("Ten-Ten ABC") << "Winter Phone"
                                     << "ABC"
                                     << ""
                                     << "" << 1 << "0 1 0 0 1";
        QTest::newRow("Open Season with EPC and 070") << "Open Season"
                                                      << "1234"
                                                      << "567"
                                                      << "89" << 4 << "1 0 1 1 4";
        QTest::newRow("Open Season EPC only") << "Open Season"
                                              << ""
                                              << "567"
                                              << "" << 2 << "0 1 1 0 2";
        QTest::newRow("General Log") << "General Log"
                                     << "1234"
                                     << ""
                                     << "" << 0 << "1 0 0 0 2";
    }

    void PointsAndCounters()
    {
        QFETCH(QString, event);
        QFETCH(QString, tenten);
        QFETCH(QString, epc);
        QFETCH(QString, p070);
        QFETCH(int, stored);
        QFETCH(QString, counters);
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), event);
        f.Type(QStringLiteral("W1AW"), tenten, QStringLiteral("SSB"), epc, p070);
        f.window->DoLog();
        const QString table = f.window->Mysettings().TableName;
        QCOMPARE(f.Scalar(QStringLiteral("select _points from \"%1\"").arg(table)).toInt(), stored);
        auto actual = [&] {
            return QStringLiteral("%1 %2 %3 %4 %5")
                .arg(f.window->ctx_with())
                .arg(f.window->ctx_without())
                .arg(f.window->ctx_epc())
                .arg(f.window->ctx_070())
                .arg(f.window->totalpoints());
        };
        QCOMPARE(actual(), counters);
        QCOMPARE(f.Find<QLabel>("lblTotalPoints")->text(),
                 QStringLiteral("Total Points: ") + counters.section(' ', 4));
        QCOMPARE(f.Find<QLabel>("lblQsoWith")->text(),
                 QStringLiteral("Qso`s With: ") + counters.section(' ', 0, 0));
        QCOMPARE(f.Find<QLabel>("lblQsoWithout")->text(),
                 QStringLiteral("Qso`s Without: ") + counters.section(' ', 1, 1));
        // Selecting the log again recounts from the table: any non-empty Ten-Ten counts as "with", and
        // the total is the sum of what was stored.
        Select(f, table);
        QCOMPARE(f.window->totalpoints(), stored);
        QCOMPARE(f.window->ctx_with(), tenten.isEmpty() ? 0 : 1);
        QVERIFY(f.prompts.Records().isEmpty());
    }

    void DupeRules_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("mode2");
        QTest::addColumn<QString>("county2");
        QTest::addColumn<bool>("dupe");
        QTest::newRow("Spirit Of 76 other mode") << "Spirit Of 76"
                                                 << "CW"
                                                 << "Pima" << false;
        QTest::newRow("Spirit Of 76 same mode") << "Spirit Of 76"
                                                << "SSB"
                                                << "Yuma" << true;
        QTest::newRow("Mobile other county") << "Mobile"
                                             << "SSB"
                                             << "Yuma" << false;
        QTest::newRow("Mobile same county") << "Mobile"
                                            << "CW"
                                            << "Pima" << true;
        QTest::newRow("Open Season anything") << "Open Season"
                                              << "CW"
                                              << "Yuma" << true;
        QTest::newRow("Weak Signal same") << "Weak Signal"
                                          << "SSB"
                                          << "Pima" << true;
    }

    // A duplicate shows the message and leaves the form exactly as it was.
    void DupeRules()
    {
        QFETCH(QString, event);
        QFETCH(QString, mode2);
        QFETCH(QString, county2);
        QFETCH(bool, dupe);
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), event);
        // What follows the log hears of each contact stored, once, and of nothing else.
        QSignalSpy changes(f.window.get(), &TfrmMain::LogChanged);
        f.Type(QStringLiteral("W1AW"), QStringLiteral("12"), QStringLiteral("SSB"), QString(), QString(),
               QStringLiteral("Pima"));
        f.window->DoLog();
        if (dupe) {
            f.prompts.AnswerMessage(MsgButton::OK);
        }
        f.Type(QStringLiteral("W1AW"), QStringLiteral("12"), mode2, QString(), QString(), county2);
        f.Edit("txtName")->setText(QStringLiteral("Hiram"));
        f.window->DoLog();
        const QString table = f.window->Mysettings().TableName;
        QCOMPARE(f.Rows(table), dupe ? 1 : 2);
        QCOMPARE(f.prompts.Messages(), dupe ? QStringList{kDupe} : QStringList());
        QCOMPARE(f.Edit("txtCallsign")->text(), dupe ? QStringLiteral("W1AW") : QString());
        QCOMPARE(f.Edit("txtName")->text(), dupe ? QStringLiteral("Hiram") : QString());
        QCOMPARE(f.window->ctx_with(), dupe ? 1 : 2);
        QCOMPARE(changes.count(), dupe ? 1 : 2);
        // A call in another letter case is another call (the form itself only takes upper case).
        QVERIFY(f.window->DM().IsDupe(table, QStringLiteral("W1AW"), std::nullopt, std::nullopt));
        QVERIFY(!f.window->DM().IsDupe(table, QStringLiteral("w1aw"), std::nullopt, std::nullopt));
    }

    // The stored record: texts as typed, DXCC by QTH, and the form afterwards.
    void LoggedContact()
    {
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Open Season"));
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        auto* dx = f.Find<QRadioButton>("rbDX");
        dx->setChecked(true);
        f.Combo("cboQTH")->setEditText(QStringLiteral("Canada"));
        f.Type(QStringLiteral("VE3ABC"), QString(), QStringLiteral("CW"));
        f.Edit("txtName")->setText(QStringLiteral("O'Hara"));
        f.Edit("txtComments")->setText(QStringLiteral("nice sig"));
        f.window->DoLog();
        // Unknown QTH text is taken for the United States.
        dx->setChecked(true);
        f.Combo("cboQTH")->setEditText(QStringLiteral("Atlantis"));
        f.Type(QStringLiteral("K2XYZ"));
        f.window->DoLog();
        // A US station carries no DXCC number.
        f.Combo("cboQTH")->setCurrentIndex(f.Combo("cboQTH")->findText(QStringLiteral("AZ")));
        f.window->EntryForm().cboQTHClick();
        QVERIFY(f.Combo("cboCounty")->findText(QStringLiteral("Pima")) >= 0);
        f.Type(QStringLiteral("K7ABC"), QString(), QStringLiteral("SSB"), QString(), QString(),
               QStringLiteral("Pima"));
        f.window->DoLog();
        const QString table = f.window->Mysettings().TableName;
        QCOMPARE(
            f.Scalar(QStringLiteral(
                         "select group_concat(_call||':'||_name||':'||_qth||':'||_dxcc||':'||_mode||':'||"
                         "_comment||':'||_uscounty, ' / ') from \"%1\"")
                         .arg(table))
                .toString(),
            QStringLiteral(
                "VE3ABC:O'Hara:Canada:1:CW:nice sig: / K2XYZ::Atlantis:291:SSB:: / K7ABC::AZ:0:SSB::Pima"));
        QCOMPARE(f.Scalar(QStringLiteral("select _date||' '||_time from \"%1\"").arg(table)).toString(),
                 f.window->Now().toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        // The form is ready for the next contact.
        QVERIFY(f.Find<QRadioButton>("rbUS")->isChecked());
        QCOMPARE(f.Combo("cboCounty")->count(), 0);
        QCOMPARE(f.Combo("cboQTH")->currentText(), QString());
        QCOMPARE(f.Combo("cboMode")->currentText(), QStringLiteral("SSB"));
        QVERIFY(f.Edit("txtCallsign")->hasFocus());
        QVERIFY(!f.Find("cboCounty")->isHidden());
    }

    void EnterLogsTheContact()
    {
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Winter Phone"));
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.Edit("txtCallsign")->setFocus();
        QTest::keyClicks(f.Edit("txtCallsign"), QStringLiteral("w1aw"));
        QCOMPARE(f.Edit("txtCallsign")->text(), QStringLiteral("W1AW"));
        QTest::keyClick(f.Edit("txtCallsign"), Qt::Key_Tab);
        QTest::keyClicks(f.Edit("txtName"), QStringLiteral("Hiram"));
        QTest::keyClick(f.Edit("txtName"), Qt::Key_Return);
        QCOMPARE(f.Rows(f.window->Mysettings().TableName), 1);
        QCOMPARE(f.Scalar(QStringLiteral("select _name from \"%1\"").arg(f.window->Mysettings().TableName))
                     .toString(),
                 QStringLiteral("Hiram"));
        QVERIFY(f.Edit("txtCallsign")->hasFocus());
    }

    void DupeListFollowsTyping()
    {
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Spirit Of 76"));
        for (const auto& [call, mode] :
             {std::pair{"W1AW", "SSB"}, std::pair{"W1AW", "CW"}, std::pair{"w1xyz", "CW"},
              std::pair{"W1_Q", "CW"}, std::pair{"K1ABC", "CW"}}) {
            f.Type(QString::fromLatin1(call), QString(), QString::fromLatin1(mode));
            f.window->DoLog();
        }
        f.Edit("txtCallsign")->setText(QStringLiteral("W1"));
        QCOMPARE(DupeLines(f).size(), 4);
        QCOMPARE(f.Find<QTabWidget>("PageControl1")->currentIndex(), 1);
        f.Edit("txtCallsign")->setText(QStringLiteral("W1A"));
        QCOMPARE(DupeLines(f), (QStringList{"W1AW|SSB|:", "W1AW|CW|:"}));
        // A typed "_" is a character, not a wildcard.
        f.Edit("txtCallsign")->setText(QStringLiteral("W1_"));
        QCOMPARE(DupeLines(f), QStringList{"W1_Q|CW|:"});
        f.Edit("txtCallsign")->setText(QString());
        QCOMPARE(DupeLines(f), QStringList());
        // Leaving the field empties the list.
        f.Edit("txtCallsign")->setText(QStringLiteral("K"));
        QCOMPARE(DupeLines(f).size(), 1);
        f.window->EntryForm().txtCallsignExit();
        QCOMPARE(DupeLines(f), QStringList());
    }

    // The dupe list shows the matching rows in the order they were logged, for a prefix that a few rows
    // share as for one that thousands share, near the start of the log or only after many other rows
    // (each is read its own way: table order, the rowids from the call index, or table order giving way to
    // the index).
    void DupeListInLoggedOrder_data()
    {
        QTest::addColumn<int>("matches");
        QTest::addColumn<int>("othersFirst"); // rows of another prefix logged before the first match
        QTest::newRow("a few") << 7 << 0;
        QTest::newRow("thousands") << 4500 << 0;
        QTest::newRow("a few, logged late") << 40 << 6000;
        QTest::newRow("thousands, logged late") << 3500 << 20000;
        QTest::newRow("more than the index gives at once, logged late") << 9000 << 2000;
    }

    void DupeListInLoggedOrder()
    {
        QFETCH(int, matches);
        QFETCH(int, othersFirst);
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Winter Phone"));
        QSqlDatabase db = f.window->DM().condb();
        QVERIFY(db.transaction());
        QSqlQuery insert(db);
        QVERIFY(insert.prepare(
            QStringLiteral("insert into \"%1\" (_call, _mode, _qth, _uscounty) values (?, ?, ?, ?)")
                .arg(f.window->Mysettings().TableName)));
        QStringList expected;
        for (int i = 0; i < othersFirst; ++i) {
            for (const QVariant& value :
                 {QVariant(QStringLiteral("N3%1").arg(i)), QVariant(QStringLiteral("CW")),
                  QVariant(QStringLiteral("OR")), QVariant(QString())}) {
                insert.addBindValue(value);
            }
            QVERIFY(insert.exec());
        }
        for (int i = 0; i < matches; ++i) {
            // Later rows sort first, some are in lower case, and rows of another prefix lie between them.
            QString call = QStringLiteral("W1%1").arg(9999 - i);
            if (i % 3 == 1) {
                call = call.toLower();
            }
            for (const auto& [c, qth] :
                 {std::pair{call, QStringLiteral("AZ")},
                  std::pair{QStringLiteral("K2%1").arg(i), QStringLiteral("Canada")}}) {
                insert.addBindValue(c);
                insert.addBindValue(QStringLiteral("CW"));
                insert.addBindValue(qth);
                insert.addBindValue(qth == QStringLiteral("AZ") ? QStringLiteral("Pima") : QString());
                QVERIFY(insert.exec());
            }
            expected << call + QStringLiteral("|CW|AZ:Pima");
        }
        QVERIFY(db.commit());
        f.Edit("txtCallsign")->setText(QStringLiteral("W1"));
        QCOMPARE(DupeLines(f), expected);
        f.Edit("txtCallsign")->setText(QStringLiteral("W19"));
        QCOMPARE(DupeLines(f), expected.filter(QRegularExpression(QStringLiteral("\\A[Ww]19"))));
    }

    // A typed prefix is matched as text: letter case ignored for ASCII letters only, "%", "_" and "\" plain
    // characters, and the characters the index sorts next to a letter ("@", "[", "`") kept apart. Each
    // prefix is read at the start of the log (table order) and after many other rows (from the index).
    void DupeListPrefixCharacters_data()
    {
        QTest::addColumn<int>("othersFirst");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QStringList>("calls");
        const QStringList w1{"W1@A", "W1[X", "w1ab", "W1_Q", "W1%Q", "W1\\Q", "W1`Z", "W1AB", "W1"};
        for (int others : {0, 1000}) {
            const QByteArray where = others ? " after other rows" : " at the start";
            auto row = [&](const char* name, const QString& prefix, const QStringList& calls) {
                QTest::newRow(QByteArray(name + where).constData()) << others << prefix << calls;
            };
            row("@", "W1@", {"W1@A"});
            row("[", "W1[", {"W1[X"});
            row("`", "w1`", {"W1`Z"});
            row("_", "W1_", {"W1_Q"});
            row("%", "W1%", {"W1%Q"});
            row("backslash", "W1\\", {"W1\\Q"});
            row("letter case", "w1A", {"w1ab", "W1AB"});
            row("all of a prefix", "W1", w1);
            row("one letter", "W",
                {"W1@A", "W1[X", "w1ab", "W1_Q", "W1%Q", "W1\\Q", "W1`Z", "WÉ1", "W1AB", "W1", "W2"});
            row("non-ASCII letters keep their case", "É", {"ÉA1"});
            row("after a non-ASCII letter", "WÉ", {"WÉ1"});
            row("none", "W1@B", {});
        }
    }

    void DupeListPrefixCharacters()
    {
        QFETCH(int, othersFirst);
        QFETCH(QString, prefix);
        QFETCH(QStringList, calls);
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Winter Phone"));
        QSqlDatabase db = f.window->DM().condb();
        QVERIFY(db.transaction());
        QSqlQuery insert(db);
        QVERIFY(insert.prepare(QStringLiteral("insert into \"%1\" (_call, _mode) values (?, 'CW')")
                                   .arg(f.window->Mysettings().TableName)));
        QStringList logged;
        for (int i = 0; i < othersFirst; ++i) {
            logged << QStringLiteral("N3%1").arg(i);
        }
        logged << QStringList{"W1@A",  "W1[X", "w1ab", "ÉA1",  "W1_Q", "W1%Q", "éa1",
                              "W1\\Q", "W1`Z", "WÉ1",  "W1AB", "W1",   "W2",   "K1AB"};
        for (const QString& call : std::as_const(logged)) {
            insert.addBindValue(call);
            QVERIFY(insert.exec());
        }
        QVERIFY(db.commit());
        f.Edit("txtCallsign")->setText(prefix);
        QStringList expected;
        for (const QString& call : std::as_const(calls)) {
            expected << call + QStringLiteral("|CW|:");
        }
        QCOMPARE(DupeLines(f), expected);
    }

    void SelectionShowsEventFields()
    {
        TAppFixture f;
        f.window->SetClock([] { return QDateTime(QDate(2024, 6, 1), QTime(12, 0)); });
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Open Season"));
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Winter Phone"));
        const QWidget* w = f.window.get();
        QVERIFY(!f.Find("txtEPC")->isVisibleTo(w));
        Select(f, QStringLiteral("N0CALL_2024_Open_Season"));
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Vantrel - N0CALL_2024_Open_Season"));
        for (const char* name : {"txtEPC", "txtP070", "lblEPC", "lbl070", "lblEpcPoints", "lbl070points"}) {
            QVERIFY2(f.Find(name)->isVisibleTo(w), name);
        }
        QCOMPARE(f.Find<QTabWidget>("PageControl1")->tabText(0), QStringLiteral("Lookup"));
        QVERIFY(f.Find("ListBox1")->isHidden());
        QVERIFY(!f.Find("TextBox3")->isHidden());
        QCOMPARE(f.Find<QListWidget>("ListBox1")->count(), 0);
        Select(f, QStringLiteral("N0CALL_2024_Winter_Phone"));
        for (const char* name : {"txtEPC", "txtP070", "lblEPC", "lbl070", "lblEpcPoints", "lbl070points"}) {
            QVERIFY2(!f.Find(name)->isVisibleTo(w), name);
        }
        // A processed log leaves the list; the current log stays current while the list shows.
        f.window->DM().MarkLogProcessed(QStringLiteral("N0CALL_2024_Open_Season"));
        f.window->DoOpen();
        QCOMPARE(f.Find<QListWidget>("ListBox1")->count(), 1);
        QCOMPARE(f.Find<QTabWidget>("PageControl1")->tabText(0), QStringLiteral("Logs"));
        QVERIFY(f.Find("pnlEntry")->isVisibleTo(w));
    }

    void RecountFromTable()
    {
        TAppFixture f;
        f.window->SetClock([] { return QDateTime(QDate(2024, 6, 1), QTime(12, 0)); });
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Open Season"));
        const QString table = QStringLiteral("N0CALL_2024_Open_Season");
        for (int i = 0; i < 120; ++i) {
            tLogRecord rec;
            rec.call = QStringLiteral("K%1").arg(i);
            rec.tenten = i < 80 ? QString::number(i) : QString();
            rec.epc = i % 10 == 0 ? QStringLiteral("5") : QString();
            rec.p070 = i % 40 == 0 ? QStringLiteral("7") : QString();
            rec.points = 2;
            f.window->DM().LogAddRecord(rec, table);
        }
        QSqlQuery(f.window->DM().condb())
            .exec(QStringLiteral("update \"%1\" set _tenten=NULL where pkey=120").arg(table));
        f.window->Setctx_with(999);
        Select(f, table);
        QCOMPARE(f.window->ctx_with(), 80);
        QCOMPARE(f.window->ctx_without(), 40);
        QCOMPARE(f.window->ctx_epc(), 12);
        QCOMPARE(f.window->ctx_070(), 3);
        QCOMPARE(f.window->totalpoints(), 240);
        QCOMPARE(f.Find<QLabel>("lbl070points")->text(), QStringLiteral("P070: 3"));
        QCOMPARE(f.Find<QLabel>("lblEpcPoints")->text(), QStringLiteral("EPC: 12"));
    }

    // Selecting a log again shows the counters of its table whatever changed it since: contacts logged
    // (counted as they are stored), rows changed by any other statement, contacts logged in a transaction
    // that was rolled back, another program's change.
    void CountersOfReselectedLog()
    {
        TAppFixture f;
        f.window->SetClock([] { return QDateTime(QDate(2024, 6, 1), QTime(12, 0)); });
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Open Season"));
        const QString table = QStringLiteral("N0CALL_2024_Open_Season");
        TDM& dm = f.window->DM();
        auto log = [&](const QString& call, const QString& tenten, const QString& epc) {
            tLogRecord rec;
            rec.call = call;
            rec.tenten = tenten;
            rec.epc = epc;
            rec.points = tenten.isEmpty() ? 1 : 2;
            dm.LogAddRecord(rec, table);
        };
        auto expectCounts = [&](int with, int without, int epc, int points) {
            f.window->DoOpen();
            Select(f, table);
            QCOMPARE(f.window->ctx_with(), with);
            QCOMPARE(f.window->ctx_without(), without);
            QCOMPARE(f.window->ctx_epc(), epc);
            QCOMPARE(f.window->totalpoints(), points);
            const TDM::TLogCounts counts = dm.Recount(table);
            QCOMPARE(counts.withTenTen, with);
            QCOMPARE(counts.total - counts.withTenTen, without);
        };
        log(QStringLiteral("K1A"), QStringLiteral("11"), QString());
        expectCounts(1, 0, 0, 2);
        log(QStringLiteral("K1B"), QString(), QStringLiteral("5"));
        log(QStringLiteral("K1C"), QStringLiteral("12"), QStringLiteral("6"));
        expectCounts(2, 1, 2, 5);
        QVERIFY(QSqlQuery(dm.condb())
                    .exec(QStringLiteral("update \"%1\" set _tenten='' where _call='K1A'").arg(table)));
        expectCounts(1, 2, 2, 5);
        QVERIFY(dm.condb().transaction());
        log(QStringLiteral("K1D"), QStringLiteral("13"), QString());
        QVERIFY(dm.condb().rollback());
        expectCounts(1, 2, 2, 5);
        {
            // Another connection, as another program would open the file.
            QSqlDatabase other =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(dm.condb().databaseName());
            QVERIFY(other.open());
            QVERIFY(QSqlQuery(other).exec(QStringLiteral("delete from \"%1\" where _call='K1C'").arg(table)));
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        expectCounts(0, 2, 1, 3);
    }

    // A log table of the older layout is rebuilt when selected, keeping its contacts. A temp_table left
    // by an interrupted rebuild is kept under a dated name and the operator is told.
    void OldLayoutMigratedOnSelection_data()
    {
        QTest::addColumn<bool>("leftover");
        QTest::newRow("plain") << false;
        QTest::newRow("leftover temp_table") << true;
    }

    void OldLayoutMigratedOnSelection()
    {
        QFETCH(bool, leftover);
        TAppFixture f;
        f.window->SetClock([] { return QDateTime(QDate(2024, 6, 1), QTime(12, 0)); });
        TMysettings rec;
        rec.TableName = QStringLiteral("W1AW_2019_Sprint");
        rec.ContestName = QStringLiteral("Sprint");
        f.window->DM().ConfigAddRecord(rec);
        QSqlQuery q(f.window->DM().condb());
        QVERIFY(q.exec(QStringLiteral(
            "CREATE TABLE W1AW_2019_Sprint (_date VARCHAR(10),_time VARCHAR(5),_call VARCHAR(30),"
            "_tenten VARCHAR(5),_vp VARCHAR(5),_epc VARCHAR(5),_p070 VARCHAR(5),"
            "_mode VARCHAR(10),_name VARCHAR(100),_qth VARCHAR(100),_mycounty VARCHAR(100),"
            "_uscounty VARCHAR(100),_points INTEGER,pkey INTEGER PRIMARY KEY AUTOINCREMENT,"
            "_mobile INTEGER,_dxcc INTEGER,_comment VARCHAR(100))")));
        QVERIFY(q.exec(
            QStringLiteral("insert into W1AW_2019_Sprint (_call,_tenten,_points) values ('K1ABC','5',2),"
                           "('K2ABC','',1)")));
        if (leftover) {
            QVERIFY(q.exec(QStringLiteral("create table temp_table (_call VARCHAR(10))")));
            QVERIFY(q.exec(QStringLiteral("insert into temp_table values ('ONLYCOPY')")));
            f.prompts.AnswerMessage(MsgButton::OK);
        }
        q.finish();
        Select(f, rec.TableName);
        QCOMPARE(
            f.Scalar(QStringLiteral("select count(*) from pragma_table_info('W1AW_2019_Sprint')")).toInt(),
            20);
        QCOMPARE(f.Rows(rec.TableName), 2);
        QCOMPARE(f.window->totalpoints(), 3);
        QVERIFY(f.window->HasCurrentLog());
        if (leftover) {
            QCOMPARE(f.prompts.Messages().size(), 1);
            QVERIFY2(f.prompts.Messages().first().contains(QStringLiteral("temp_table_2024_06_01")),
                     qPrintable(f.prompts.Messages().first()));
            QCOMPARE(f.prompts.Records().first().kind, MsgKind::Information);
            QCOMPARE(f.Scalar(QStringLiteral("select _call from temp_table_2024_06_01")).toString(),
                     QStringLiteral("ONLYCOPY"));
        } else {
            QVERIFY(f.prompts.Records().isEmpty());
        }
    }

    // File > Open hands the keyboard to the log list, the open log chosen: arrows and Enter open another.
    void OpenLogByKeyboard()
    {
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Open Season"));
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Winter Phone"));
        const QString open = f.window->Mysettings().TableName;
        f.window->DoOpen();
        auto* list = f.Find<QListWidget>("ListBox1");
        QCOMPARE(f.window->focusWidget(), list);
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->currentItem()->text(), open);
        const bool first = list->currentRow() == 0;
        const QString other = list->item(first ? 1 : 0)->text();
        QTest::keyClick(list, first ? Qt::Key_Down : Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(f.window->Mysettings().TableName, other);
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Vantrel - ") + other);
        QVERIFY(f.Find("ListBox1")->isHidden());
    }

    // A log whose table is gone is reported and does not become current.
    void MissingTableNotSelected()
    {
        TAppFixture f;
        TMysettings rec;
        rec.TableName = QStringLiteral("Gone_2020_Sprint");
        f.window->DM().ConfigAddRecord(rec);
        f.window->DoOpen();
        auto* list = f.Find<QListWidget>("ListBox1");
        list->setCurrentRow(0);
        f.prompts.AnswerMessage(MsgButton::OK);
        emit list->itemClicked(list->item(0));
        QVERIFY(f.prompts.Messages().first().contains(QStringLiteral("no such table")));
        QVERIFY(!f.window->HasCurrentLog());
        QCOMPARE(f.window->Mysettings().TableName, QString());
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Vantrel"));
    }

    void NoCurrentLogStoresNothing()
    {
        TAppFixture f;
        f.prompts.AnswerMessage(MsgButton::OK);
        f.window->DoLog();
        QCOMPARE(f.prompts.Records().size(), 1);
        QVERIFY(f.prompts.Messages().first().startsWith(QStringLiteral("No log is open")));
        QCOMPARE(f.window->ctx_without(), 0);
    }

    // A failed insert leaves counters, total and form as they were and shows the database's message.
    void FailedInsertChangesNothing()
    {
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Winter Phone"));
        const QString table = f.window->Mysettings().TableName;
        QVERIFY(QSqlQuery(f.window->DM().condb())
                    .exec(QStringLiteral(
                              "CREATE TRIGGER refuse BEFORE INSERT ON \"%1\" BEGIN SELECT RAISE(ABORT, "
                              "'disk is full'); END")
                              .arg(table)));
        f.Type(QStringLiteral("W1AW"), QStringLiteral("1234"));
        f.prompts.AnswerMessage(MsgButton::OK);
        emit f.Find<QPushButton>("btnLog")->clicked();
        QCOMPARE(f.prompts.Messages(), QStringList{QStringLiteral("disk is full")});
        QCOMPARE(f.window->ctx_with() + f.window->ctx_without() + f.window->totalpoints(), 0);
        QCOMPARE(f.Edit("txtCallsign")->text(), QStringLiteral("W1AW"));
        QCOMPARE(f.Edit("txtTenTen")->text(), QStringLiteral("1234"));
    }

    void ClockAtYearEnd()
    {
        TAppFixture f;
        QDateTime now(QDate(2024, 12, 31), QTime(23, 59, 59), Qt::UTC);
        f.window->SetClock([&] { return now.toLocalTime(); });
        f.window->tmr1Timer();
        QCOMPARE(f.Find<QLabel>("txtUTCDate")->text(), QStringLiteral(" December 31 2024 "));
        QCOMPARE(f.Find<QLabel>("txtUTCTime")->text(), QStringLiteral(" 11:59:59 PM UTC "));
        QCOMPARE(f.Edit("txtDate")->text(), QStringLiteral("2024-12-31"));
        QCOMPARE(f.Edit("txtTime")->text(), QStringLiteral("23:59"));
        now = now.addSecs(1);
        f.window->tmr1Timer();
        QCOMPARE(f.Find<QLabel>("txtUTCDate")->text(), QStringLiteral(" January 01 2025 "));
        QCOMPARE(f.Edit("txtDate")->text(), QStringLiteral("2025-01-01"));
        QCOMPARE(f.Edit("txtTime")->text(), QStringLiteral("00:00"));
    }

    // Off-line logging stops the clock from writing Date and Time; typed values are logged as typed, the time
    // as hours and minutes.
    void OfflineLoggingKeepsTypedValues()
    {
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Winter Phone"));
        auto* offline = f.window->findChild<QAction*>(QStringLiteral("mnuOffLineLogging"));
        offline->trigger();
        QVERIFY(offline->isChecked());
        QVERIFY(f.Edit("txtDate")->isEnabled());
        QVERIFY(!f.Find("lblOffLine")->isHidden());
        f.Edit("txtDate")->setText(QStringLiteral("2023-02-11"));
        // A time with seconds is kept as hours and minutes, as the clock writes it.
        f.Edit("txtTime")->setText(QStringLiteral("170512"));
        f.window->tmr1Timer();
        QCOMPARE(f.Edit("txtDate")->text(), QStringLiteral("2023-02-11"));
        f.Type(QStringLiteral("W1AW"));
        f.window->DoLog();
        QCOMPARE(
            f.Scalar(
                 QStringLiteral("select _date||' '||_time from \"%1\"").arg(f.window->Mysettings().TableName))
                .toString(),
            QStringLiteral("2023-02-11 17:05"));
        offline->trigger();
        f.window->tmr1Timer();
        QVERIFY(!f.Edit("txtDate")->isEnabled());
        QCOMPARE(f.Edit("txtDate")->text(), f.window->Now().toUTC().toString(QStringLiteral("yyyy-MM-dd")));
    }
};

VANTREL_TEST(TestLogging)
#include "tst_Logging.moc"
