#include "AppFixture.h"
#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "gui/data/TDBGrid.h"
#include "gui/data/TDBNavigator.h"
#include "gui/data/TSqlGridModel.h"
#include "gui/data/TfrmDatabases.h"
#include "gui/data/TfrmLogTable.h"
#include "process/TLogProcessor.h"

#include <QAction>
#include <QCryptographicHash>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QSqlError>
#include <QTemporaryDir>
#include <QTreeView>

namespace {

using B = TDBNavigator::TNavButton;

} // namespace

// The log and reference table windows: what they show, editing through the grid and the navigator, and
// what the main window does around them.
class TestTableWindows : public QObject
{
    Q_OBJECT

    // A fixture with a current Open Season log of three contacts (the second with a Ten-Ten number).
    static std::unique_ptr<TAppFixture> LogWithContacts(const QString& call = QStringLiteral("W7VNT"))
    {
        auto f = std::make_unique<TAppFixture>();
        f->NewLog(call, QStringLiteral("Open Season"));
        const QStringList tenten{QString(), QStringLiteral("1234"), QString()};
        const QStringList calls{QStringLiteral("K1ABC"), QStringLiteral("W2XYZ"), QStringLiteral("N3QQ")};
        for (int i = 0; i < calls.size(); ++i) {
            f->Type(calls[i], tenten[i]);
            f->window->DoLog();
        }
        return f;
    }

    static QString Table(const TAppFixture& f) { return f.window->Mysettings().TableName; }

    static int Column(TSqlGridModel* model, const char* name)
    {
        return int(model->Columns().indexOf(QString::fromLatin1(name)));
    }

    // Types a text into a cell through the grid's own editor and commits it with Return.
    static void TypeIntoCell(TDBGrid* grid, int row, int column, const QString& text)
    {
        const QModelIndex index = grid->model()->index(row, column);
        grid->setCurrentIndex(index);
        grid->edit(index);
        auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(index));
        QVERIFY(editor);
        editor->selectAll();
        if (text.isEmpty()) {
            QTest::keyClick(editor, Qt::Key_Delete);
        } else {
            QTest::keyClicks(editor, text);
        }
        QTest::keyClick(editor, Qt::Key_Return);
        // The grid hands the text over on the next pass of the event loop.
        QTRY_VERIFY(!grid->indexWidget(index));
    }

    static QVariant Cell(TAppFixture& f, const QString& table, const QString& column, const QString& call)
    {
        QSqlQuery q(f.window->DM().condb());
        q.prepare(QStringLiteral("select %1 from \"%2\" where _call=?").arg(column, table));
        q.addBindValue(call);
        if (!q.exec() || !q.next()) {
            return QStringLiteral("<no row>");
        }
        return q.value(0);
    }

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void LogWindowShowsTheLog()
    {
        auto f = LogWithContacts();
        TfrmLogTable form(f->prompts, f->window->DM(), f->window.get());
        form.Open(Table(*f));
        form.show();
        QCOMPARE(form.windowTitle(), QStringLiteral("Log by Table Display"));
        TSqlGridModel* model = form.Model();
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->columnCount(), 20);
        // Nineteen columns show: every column but the row key, the 14th.
        QCOMPARE(model->headerData(13, Qt::Horizontal).toString(), QStringLiteral("pkey"));
        int shown = 0;
        for (int c = 0; c < model->columnCount(); ++c) {
            shown += form.Grid()->isColumnHidden(c) ? 0 : 1;
        }
        QCOMPARE(shown, 19);
        QVERIFY(form.Grid()->isColumnHidden(13));
        QCOMPARE(model->index(1, Column(model, "_call")).data().toString(), QStringLiteral("W2XYZ"));
        // Column widths: at least the title plus 10 pixels, and wide enough for the longest text.
        const QFontMetrics title(form.Grid()->horizontalHeader()->font());
        for (int c = 0; c < model->columnCount(); ++c) {
            const QString name = model->headerData(c, Qt::Horizontal).toString();
            if (form.Grid()->isColumnHidden(c)) {
                continue;
            }
            QVERIFY2(form.Grid()->columnWidth(c) >= title.horizontalAdvance(name) + 10, qPrintable(name));
        }
        const int date = Column(model, "_date");
        QVERIFY(form.Grid()->columnWidth(date) >=
                form.Grid()->fontMetrics().horizontalAdvance(model->index(0, date).data().toString()) + 10);
        // The navigator's ten record buttons, then three controls that stay disabled.
        QStringList buttons;
        for (QAction* action : form.Navigator()->actions()) {
            buttons << action->objectName();
        }
        QCOMPARE(buttons, QStringList({"btnFirst", "btnPrior", "btnNext", "btnLast", "btnInsert", "btnDelete",
                                       "btnEdit", "btnPost", "btnCancel", "btnRefresh"}));
        for (const char* name : {"Edit1", "ComboBox1", "Button1"}) {
            QVERIFY2(!form.findChild<QWidget*>(QString::fromLatin1(name))->isEnabled(), name);
        }
        form.Navigator()->Last();
        QCOMPARE(form.Grid()->currentIndex().row(), 2);
        form.Navigator()->First();
        QCOMPARE(form.Grid()->currentIndex().row(), 0);
        QVERIFY(!form.Navigator()->Button(B::Prior)->isEnabled());
    }

    // A call sign beginning with a digit gives a table name that SQL only reads quoted.
    void QuotedTableName()
    {
        auto f = LogWithContacts(QStringLiteral("2E0ABC"));
        const QString table = f->window->Mysettings().TableName;
        QVERIFY(table.startsWith(QStringLiteral("2E0ABC_")));
        TfrmLogTable form(f->prompts, f->window->DM(), f->window.get());
        form.Open(table);
        form.show();
        QCOMPARE(form.Model()->rowCount(), 3);
        TypeIntoCell(form.Grid(), 0, Column(form.Model(), "_name"), QStringLiteral("Ann"));
        form.Navigator()->Post();
        QTRY_COMPARE(Cell(*f, table, QStringLiteral("_name"), QStringLiteral("K1ABC")).toString(),
                     QStringLiteral("Ann"));
    }

    void EditIsWrittenWhenTheRowIsLeft()
    {
        auto f = LogWithContacts();
        TfrmLogTable form(f->prompts, f->window->DM(), f->window.get());
        form.Open(Table(*f));
        form.show();
        TypeIntoCell(form.Grid(), 0, Column(form.Model(), "_call"), QStringLiteral("K1ABD"));
        // The changed row is in edit until it is posted; leaving it posts it.
        QCOMPARE(form.Model()->EditRow(), 0);
        QCOMPARE(f->Rows(Table(*f)), 3);
        form.Navigator()->Button(B::Next)->trigger();
        QTRY_COMPARE(Cell(*f, Table(*f), QStringLiteral("_date"), QStringLiteral("K1ABD")).isNull(), false);
        QCOMPARE(Cell(*f, Table(*f), QStringLiteral("count(*)"), QStringLiteral("K1ABC")).toInt(), 0);
        QCOMPARE(form.Model()->EditRow(), -1);
        // An emptied cell is stored as NULL, not as empty text.
        TypeIntoCell(form.Grid(), 1, Column(form.Model(), "_tenten"), QString());
        form.Navigator()->Button(B::Post)->trigger();
        QTRY_VERIFY(Cell(*f, Table(*f), QStringLiteral("_tenten"), QStringLiteral("W2XYZ")).isNull());
        QCOMPARE(Cell(*f, Table(*f), QStringLiteral("_tenten"), QStringLiteral("W2XYZ")).toString(),
                 QString());
        QCOMPARE(f->prompts.Messages(), QStringList());
    }

    void InsertAndDelete()
    {
        auto f = LogWithContacts();
        TfrmLogTable form(f->prompts, f->window->DM(), f->window.get());
        form.Open(Table(*f));
        form.show();
        form.Navigator()->Last();
        form.Navigator()->Button(B::Insert)->trigger();
        QCOMPARE(form.Model()->rowCount(), 4);
        QVERIFY(form.Model()->IsInserting());
        QCOMPARE(form.Grid()->currentIndex().row(), 2);
        TypeIntoCell(form.Grid(), 2, Column(form.Model(), "_call"), QStringLiteral("VE3NEW"));
        TypeIntoCell(form.Grid(), 2, Column(form.Model(), "_mode"), QStringLiteral("CW"));
        form.Navigator()->Button(B::First)->trigger();
        QTRY_COMPARE(f->Rows(Table(*f)), 4);
        QCOMPARE(Cell(*f, Table(*f), QStringLiteral("_mode"), QStringLiteral("VE3NEW")).toString(),
                 QStringLiteral("CW"));
        // The table's defaults fill what was not typed, and the grid shows them.
        QCOMPARE(Cell(*f, Table(*f), QStringLiteral("submit_bar"), QStringLiteral("VE3NEW")).toInt(), 0);
        QCOMPARE(form.Model()->index(2, Column(form.Model(), "submit_bar")).data().toInt(), 0);
        QVERIFY(!form.Model()->IsInserting());

        // Delete asks first; Cancel keeps the row, OK deletes it.
        form.Grid()->setCurrentIndex(form.Model()->index(2, 0));
        f->prompts.AnswerMessage(MsgButton::Cancel);
        form.Navigator()->Button(B::Delete)->trigger();
        QCOMPARE(f->Rows(Table(*f)), 4);
        QCOMPARE(f->prompts.Records().last().kind, MsgKind::Confirmation);
        QCOMPARE(f->prompts.Messages().last(), QStringLiteral("Delete record?"));
        f->prompts.AnswerMessage(MsgButton::OK);
        form.Navigator()->Button(B::Delete)->trigger();
        QCOMPARE(f->Rows(Table(*f)), 3);
        QCOMPARE(form.Model()->rowCount(), 3);
        QCOMPARE(Cell(*f, Table(*f), QStringLiteral("count(*)"), QStringLiteral("VE3NEW")).toInt(), 0);
        QCOMPARE(form.Model()->index(2, Column(form.Model(), "_call")).data().toString(),
                 QStringLiteral("N3QQ"));

        // A new row cancelled before it is posted never reaches the table.
        form.Navigator()->Button(B::Insert)->trigger();
        TypeIntoCell(form.Grid(), form.Grid()->currentIndex().row(), Column(form.Model(), "_call"),
                     QStringLiteral("G4GONE"));
        form.Navigator()->Button(B::Cancel)->trigger();
        QCOMPARE(form.Model()->rowCount(), 3);
        form.close();
        QCOMPARE(f->Rows(Table(*f)), 3);
    }

    // Escape drops the row in edit before it closes the window; Insert and Ctrl+Delete work the records.
    void KeyboardOnTheGrid()
    {
        auto f = LogWithContacts();
        TfrmLogTable form(f->prompts, f->window->DM(), f->window.get());
        form.Open(Table(*f));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        TypeIntoCell(form.Grid(), 0, Column(form.Model(), "_name"), QStringLiteral("Zed"));
        QTest::keyClick(form.Grid(), Qt::Key_Escape);
        QVERIFY(form.isVisible());
        QVERIFY(!form.Model()->IsModified());
        QCOMPARE(form.Model()->index(0, Column(form.Model(), "_name")).data().toString(), QString());
        QTest::keyClick(form.Grid(), Qt::Key_Insert);
        QTRY_VERIFY(form.Model()->IsInserting());
        QTest::keyClick(form.Grid(), Qt::Key_Escape);
        QCOMPARE(form.Model()->rowCount(), 3);
        f->prompts.AnswerMessage(MsgButton::OK);
        QTest::keyClick(form.Grid(), Qt::Key_Delete, Qt::ControlModifier);
        QTRY_COMPARE(f->Rows(Table(*f)), 2);
        QTest::keyClick(form.Grid(), Qt::Key_Escape);
        QVERIFY(!form.isVisible());
        QCOMPARE(Cell(*f, Table(*f), QStringLiteral("count(*)"), QStringLiteral("K1ABC")).toInt(), 0);
        QCOMPARE(f->prompts.Pending(), 0);
    }

    void RefusedEditStaysInEdit()
    {
        auto f = LogWithContacts();
        TfrmLogTable form(f->prompts, f->window->DM(), f->window.get());
        form.Open(Table(*f));
        form.show();
        const int flag = Column(form.Model(), "submit_bar");
        const int name = Column(form.Model(), "_name");
        TypeIntoCell(form.Grid(), 1, name, QStringLiteral("Sue"));
        // submit_bar is NOT NULL: emptying it is refused by the database.
        TypeIntoCell(form.Grid(), 1, flag, QString());
        f->prompts.AnswerMessage(MsgButton::OK);
        form.Navigator()->Button(B::Next)->trigger();
        QCOMPARE(f->prompts.Messages().size(), 1);
        QVERIFY2(f->prompts.Messages().first().contains(QStringLiteral("NOT NULL constraint failed")),
                 qPrintable(f->prompts.Messages().first()));
        QCOMPARE(f->prompts.Records().first().kind, MsgKind::Error);
        // The row is still in edit with what was typed, and current again.
        QCOMPARE(form.Model()->EditRow(), 1);
        QCOMPARE(form.Model()->index(1, name).data().toString(), QStringLiteral("Sue"));
        QTRY_COMPARE(form.Grid()->currentIndex().row(), 1);
        QCOMPARE(Cell(*f, Table(*f), QStringLiteral("_name"), QStringLiteral("W2XYZ")).toString(), QString());
        // Closing the window does not drop it either: the message again, and the window stays.
        f->prompts.AnswerMessage(MsgButton::OK);
        form.reject();
        QVERIFY(form.isVisible());
        QCOMPARE(f->prompts.Messages().size(), 2);
        // Correcting the cell lets the row post.
        TypeIntoCell(form.Grid(), 1, flag, QStringLiteral("1"));
        form.Navigator()->Button(B::Post)->trigger();
        QTRY_COMPARE(Cell(*f, Table(*f), QStringLiteral("_name"), QStringLiteral("W2XYZ")).toString(),
                     QStringLiteral("Sue"));
        QCOMPARE(Cell(*f, Table(*f), QStringLiteral("submit_bar"), QStringLiteral("W2XYZ")).toInt(), 1);
        form.reject();
        QVERIFY(!form.isVisible());
        QCOMPARE(f->prompts.Pending(), 0);
    }

    // A number column takes whole numbers only: anything else is refused with the reason, and the row stays
    // in edit with what was typed.
    void NumberColumnsTakeNumbers_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("refusal"); // empty: stored
        QTest::addColumn<qlonglong>("stored");

        QTest::newRow("letters in the points")
            << "_points"
            << "abc"
            << "The column _points takes a whole number: \"abc\" is not one." << 0LL;
        QTest::newRow("a letter O in the DXCC")
            << "_dxcc"
            << "1O"
            << "The column _dxcc takes a whole number: \"1O\" is not one." << 0LL;
        QTest::newRow("a fraction") << "_points"
                                    << "2.5"
                                    << "The column _points takes a whole number: \"2.5\" is not one." << 0LL;
        QTest::newRow("too large")
            << "_points"
            << "99999999999"
            << "The column _points takes a whole number from -2147483648 to 2147483647: \"99999999999\" is "
               "not one."
            << 0LL;
        QTest::newRow("a long text is quoted in part")
            << "_dxcc" << QString(70, 'x')
            << "The column _dxcc takes a whole number: \"" + QString(60, 'x') + "\u2026\" is not one." << 0LL;
        QTest::newRow("a number with blanks") << "_points"
                                              << " 7 " << QString() << 7LL;
        QTest::newRow("a negative number") << "_dxcc"
                                           << "-5" << QString() << -5LL;
    }
    void NumberColumnsTakeNumbers()
    {
        QFETCH(QString, column);
        QFETCH(QString, typed);
        QFETCH(QString, refusal);
        QFETCH(qlonglong, stored);
        auto f = LogWithContacts();
        TfrmLogTable form(f->prompts, f->window->DM(), f->window.get());
        form.Open(Table(*f));
        form.show();
        const QVariant before = Cell(*f, Table(*f), column, QStringLiteral("W2XYZ"));
        TypeIntoCell(form.Grid(), 1, Column(form.Model(), column.toLatin1().constData()), typed);
        if (!refusal.isEmpty()) {
            f->prompts.AnswerMessage(MsgButton::OK);
        }
        form.Navigator()->Button(B::Post)->trigger();
        if (refusal.isEmpty()) {
            QCOMPARE(f->prompts.Messages(), QStringList());
            QTRY_COMPARE(
                Cell(*f, Table(*f), QStringLiteral("typeof(%1)").arg(column), QStringLiteral("W2XYZ"))
                    .toString(),
                QStringLiteral("integer"));
            QCOMPARE(Cell(*f, Table(*f), column, QStringLiteral("W2XYZ")).toLongLong(), stored);
            return;
        }
        QCOMPARE(f->prompts.Messages(), QStringList{refusal});
        QCOMPARE(f->prompts.Records().last().kind, MsgKind::Error);
        QCOMPARE(form.Model()->EditRow(), 1);
        QCOMPARE(
            form.Model()->index(1, Column(form.Model(), column.toLatin1().constData())).data().toString(),
            typed);
        QCOMPARE(Cell(*f, Table(*f), column, QStringLiteral("W2XYZ")), before);
        form.Navigator()->Button(B::Cancel)->trigger();
        QCOMPARE(form.Model()->EditRow(), -1);
    }

    // A row that another program deleted while the window showed it: the change is not lost in silence.
    // The row stays as a new row with what was typed, and posting it stores it again.
    void EditOfARowDeletedElsewhere()
    {
        auto f = LogWithContacts();
        TfrmLogTable form(f->prompts, f->window->DM(), f->window.get());
        form.Open(Table(*f));
        form.show();
        QCOMPARE(form.Model()->rowCount(), 3);
        {
            QSqlDatabase other =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(f->window->DM().condb().databaseName());
            QVERIFY(other.open());
            QSqlQuery q(other);
            QVERIFY(q.exec(QStringLiteral("delete from \"%1\" where _call='W2XYZ'").arg(Table(*f))));
            q.finish();
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        TypeIntoCell(form.Grid(), 1, Column(form.Model(), "_name"), QStringLiteral("Sue"));
        f->prompts.AnswerMessage(MsgButton::OK);
        form.Navigator()->Button(B::Post)->trigger();
        QCOMPARE(f->prompts.Messages(),
                 QStringList{"Row 2 was deleted by another program after this window read it, so the change "
                             "was not written. The row stays here as a new row with what was typed: post it "
                             "to store it again, or cancel it to let it go."});
        QVERIFY(form.Model()->IsInserting());
        QCOMPARE(form.Model()->index(1, Column(form.Model(), "_name")).data().toString(),
                 QStringLiteral("Sue"));
        QCOMPARE(Cell(*f, Table(*f), QStringLiteral("count(*)"), QStringLiteral("W2XYZ")).toInt(), 0);
        form.Navigator()->Button(B::Post)->trigger();
        QTRY_COMPARE(Cell(*f, Table(*f), QStringLiteral("_name"), QStringLiteral("W2XYZ")).toString(),
                     QStringLiteral("Sue"));
        QCOMPARE(Cell(*f, Table(*f), QStringLiteral("_tenten"), QStringLiteral("W2XYZ")).toString(),
                 QStringLiteral("1234"));
        QCOMPARE(form.Model()->rowCount(), 3);
        QCOMPARE(f->prompts.Pending(), 0);
    }

    // A cell emptied in the log window holds NULL; every reader treats it as the empty text that the entry
    // form stores: the duplicate rules, the dupe list, the counters and the processed files.
    void EmptiedCellsReadAsEmptyText_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("column");
        QTest::newRow("Spirit Of 76, mode") << "Spirit Of 76"
                                            << "_mode";
        QTest::newRow("Mobile, county") << "Mobile"
                                        << "_uscounty";
        QTest::newRow("General Log, Ten-Ten") << "General Log"
                                              << "_tenten";
    }

    void EmptiedCellsReadAsEmptyText()
    {
        QFETCH(QString, event);
        QFETCH(QString, column);
        TAppFixture f;
        f.NewLog(QStringLiteral("W7VNT"), event);
        const QString table = Table(f);
        // K1ABC with everything empty, W2XYZ with a mode, a county and a Ten-Ten number.
        f.Type(QStringLiteral("K1ABC"), QString(), QString(), QString(), QString(), QString());
        f.window->DoLog();
        f.Type(QStringLiteral("W2XYZ"), QStringLiteral("1234"), QStringLiteral("CW"), QString(), QString(),
               QStringLiteral("Pima"));
        f.window->DoLog();
        QCOMPARE(f.Rows(table), 2);

        struct TReading
        {
            bool dupe;
            QStringList dupeList;
            QList<int> counters;
            QByteArray files;
        };
        auto read = [&]() {
            TReading r;
            f.Type(QStringLiteral("K1ABC"), QString(), QString(), QString(), QString(), QString());
            r.dupe = f.window->DupeCheck();
            f.window->EntryForm().DoDupes(QStringLiteral("K1"));
            const QAbstractItemModel* list = f.Find<QTreeView>("ListView1")->model();
            for (int row = 0; row < list->rowCount(); ++row) {
                QStringList cells;
                for (int c = 0; c < list->columnCount(); ++c) {
                    cells << list->index(row, c).data().toString();
                }
                r.dupeList << cells.join('|');
            }
            f.window->RecountScores();
            r.counters = {f.window->ctx_with(), f.window->ctx_without(), f.window->totalpoints()};
            QTemporaryDir out;
            TProcessOptions options;
            options.folder = out.path() + '/';
            options.adifexport = true;
            TLogProcessor processor(f.window->DM(), f.window->Mysettings(), table,
                                    {f.window->ctx_with(), f.window->ctx_without(), f.window->totalpoints()},
                                    options);
            processor.ProcessTheLog();
            for (const QString& name :
                 {processor.LogFileName(), processor.DupFileName(), processor.ADIFFileName()}) {
                QFile file(name);
                if (file.open(QIODevice::ReadOnly)) {
                    r.files += file.readAll();
                }
            }
            return r;
        };
        const TReading asText = read();
        QVERIFY(asText.dupe);
        QCOMPARE(asText.dupeList.size(), 1);
        QVERIFY(!asText.files.isEmpty());

        // Empty the cell of K1ABC as the log window does, and of W2XYZ's Ten-Ten number.
        QSqlQuery q(f.window->DM().condb());
        QVERIFY(q.exec(QStringLiteral("update \"%1\" set %2=NULL where _call='K1ABC'").arg(table, column)));
        QVERIFY(q.exec(QStringLiteral("update \"%1\" set _tenten=NULL where _call='K1ABC'").arg(table)));
        QVERIFY(q.exec(QStringLiteral("select count(*) from \"%1\" where %2 is null").arg(table, column)) &&
                q.next());
        QCOMPARE(q.value(0).toInt(), 1);
        q.finish();
        const TReading asNull = read();
        QCOMPARE(asNull.dupe, asText.dupe);
        QCOMPARE(asNull.dupeList, asText.dupeList);
        QCOMPARE(asNull.counters, asText.counters);
        QCOMPARE(asNull.files, asText.files);
    }

    void DisplayLogWithoutALog()
    {
        TAppFixture f;
        f.prompts.AnswerMessage(MsgButton::OK);
        bool opened = false;
        auto* timer = new QTimer;
        connect(timer, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                opened = true;
                dialog->reject();
            }
        });
        timer->start(5);
        f.window->mnuDisplayLogClick();
        delete timer;
        QVERIFY(!opened);
        QCOMPARE(f.prompts.Messages().size(), 1);
        QVERIFY(f.prompts.Messages().first().startsWith(QStringLiteral("No log is open.")));
    }

    // After the log window closes, the status bar counts what the table holds.
    void CountersRecountedAfterClosing()
    {
        auto f = LogWithContacts();
        QCOMPARE(f->window->ctx_with(), 1);
        QCOMPARE(f->window->ctx_without(), 2);
        QCOMPARE(f->window->totalpoints(), 4);
        bool done = false;
        TAppFixture::OnNextModal([&](QDialog* d) {
            auto* form = qobject_cast<TfrmLogTable*>(d);
            if (form) {
                // Give K1ABC a Ten-Ten number and delete N3QQ.
                TypeIntoCell(form->Grid(), 0, Column(form->Model(), "_tenten"), QStringLiteral("777"));
                TypeIntoCell(form->Grid(), 0, Column(form->Model(), "_points"), QStringLiteral("2"));
                form->Grid()->setCurrentIndex(form->Model()->index(2, 0));
                f->prompts.AnswerMessage(MsgButton::OK);
                form->Navigator()->Delete();
                done = true;
            }
            d->reject();
        });
        f->window->findChild<QAction*>(QStringLiteral("mnuDisplayLog"))->trigger();
        QVERIFY(done);
        QCOMPARE(f->Rows(Table(*f)), 2);
        QCOMPARE(f->window->ctx_with(), 2);
        QCOMPARE(f->window->ctx_without(), 0);
        QCOMPARE(f->window->totalpoints(), 4);
        QCOMPARE(f->Find<QLabel>("lblQsoWith")->text(), QStringLiteral("Qso`s With: 2"));
    }

    // The nine "Update Database" items open one window each on the table their hint names.
    void ReferenceWindows_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("table");
        QTest::newRow("Events") << "mnuEvents"
                                << "Contest";
        QTest::newRow("Country") << "mnuCountry"
                                 << "Country";
        QTest::newRow("County") << "mnuCounty"
                                << "County";
        QTest::newRow("Mode") << "mnuMode"
                              << "Modes";
        QTest::newRow("Prefix") << "mnuPrefix"
                                << "Prefix";
        QTest::newRow("US State") << "mnuUSState"
                                  << "State";
        QTest::newRow("Ten-Ten/VP") << "mnuTenTen"
                                    << "tenten";
        QTest::newRow("EPC") << "mnuEPC"
                             << "EPC";
        QTest::newRow("070") << "mnu070"
                             << "P070";
    }

    void ReferenceWindows()
    {
        QFETCH(QString, item);
        QFETCH(QString, table);
        TAppFixture f;
        QSqlQuery count(f.window->DM().conConfig());
        QVERIFY(count.exec(QStringLiteral("select count(*) from \"%1\"").arg(table)) && count.next());
        const int rows = count.value(0).toInt();
        count.finish();
        QString caption;
        int shownRows = -1;
        int columns = 0;
        bool lastHidden = false;
        QSize size;
        QStringList buttons;
        TAppFixture::OnNextModal([&](QDialog* d) {
            caption = d->windowTitle();
            size = d->size();
            if (auto* form = qobject_cast<TfrmDatabases*>(d)) {
                shownRows = form->Model()->rowCount();
                columns = form->Model()->columnCount();
                lastHidden = form->Grid()->isColumnHidden(columns - 1) && !form->Grid()->isColumnHidden(0);
                for (QAction* action : form->Navigator()->actions()) {
                    buttons << action->objectName();
                }
            }
            d->reject();
        });
        f.window->findChild<QAction*>(item)->trigger();
        QCOMPARE(caption, QStringLiteral("Showing Table - ") + table);
        QCOMPARE(shownRows, rows);
        QVERIFY(columns >= 2);
        QVERIFY(lastHidden);
        QCOMPARE(size, QSize(847, 465));
        QCOMPARE(buttons.size(), 12);
        QCOMPARE(buttons.mid(10), QStringList({"btnApplyUpdates", "btnCancelUpdates"}));
        QCOMPARE(f.prompts.Messages(), QStringList());
    }

    // A log with gaps in its rowids (rows deleted before the window opened) shows its rows in order, however
    // the view reaches them: pages read from the start, from the end or from the middle first, and rows
    // added or deleted in the window still take their places.
    void LogWindowWithGapsInTheLog_data()
    {
        QTest::addColumn<QList<int>>("visits"); // rows read first, before the whole log is compared
        QTest::newRow("from the start") << QList<int>{0, 300, 600};
        QTest::newRow("last row first") << QList<int>{-1, 0};
        QTest::newRow("middle first") << QList<int>{350, 100, -1};
    }
    void LogWindowWithGapsInTheLog()
    {
        QFETCH(QList<int>, visits);
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Winter Phone"));
        const QString table = f.window->Mysettings().TableName;
        QSqlDatabase db = f.window->DM().condb();
        QVERIFY(db.transaction());
        QSqlQuery q(db);
        for (int i = 0; i < 900; ++i) {
            QVERIFY(q.exec(QStringLiteral("insert into \"%1\" (_call) values ('K%2')").arg(table).arg(i)));
        }
        QVERIFY(q.exec(QStringLiteral("delete from \"%1\" where rowid % 4 = 0 or rowid between 200 and 260")
                           .arg(table)));
        QVERIFY(db.commit());
        QStringList expected;
        QVERIFY(q.exec(QStringLiteral("select _call from \"%1\" order by rowid").arg(table)));
        while (q.next()) {
            expected << q.value(0).toString();
        }
        TfrmLogTable form(f.prompts, f.window->DM(), f.window.get());
        form.Open(table);
        TSqlGridModel* model = form.Model();
        const int call = Column(model, "_call");
        QCOMPARE(model->rowCount(), int(expected.size()));
        for (int row : visits) {
            row = row < 0 ? model->rowCount() - 1 : row;
            QCOMPARE(model->index(row, call).data().toString(), expected[row]);
        }
        const auto shown = [&] {
            QStringList calls;
            for (int r = 0; r < model->rowCount(); ++r) {
                calls << model->index(r, call).data().toString();
            }
            return calls;
        };
        QCOMPARE(shown(), expected);
        // A new row before row 1 and a deleted row 500 keep every other row where it is.
        model->InsertRowAt(1);
        QVERIFY(model->setData(model->index(1, call), QStringLiteral("W1NEW")));
        model->Post();
        expected.insert(1, QStringLiteral("W1NEW"));
        model->DeleteRow(500);
        expected.removeAt(500);
        QCOMPARE(shown(), expected);
    }

    // EPC members are listed in ascending number; other tables in the order the database returns.
    void EpcOrderAndEditing()
    {
        TAppFixture f;
        QSqlQuery q(f.window->DM().conConfig());
        QVERIFY(q.exec(QStringLiteral("delete from epc")));
        for (const char* row : {"('K1A','100')", "('K1B','9')", "('K1C','10')", "('K1D','2')"}) {
            QVERIFY(
                q.exec(QStringLiteral("insert into epc (callsign, number) values ") + QLatin1String(row)));
        }
        TfrmDatabases form(f.prompts, f.window->DM(), f.window.get());
        form.Open(QStringLiteral("EPC"));
        form.show();
        QStringList numbers;
        for (int r = 0; r < form.Model()->rowCount(); ++r) {
            numbers << form.Model()->index(r, 1).data().toString();
        }
        QCOMPARE(numbers, QStringList({"2", "9", "10", "100"}));
        form.Open(QStringLiteral("epc"));
        QCOMPARE(form.Model()->index(0, 1).data().toString(), QStringLiteral("100"));

        // An edit in a reference window is written to config.db when posted.
        TypeIntoCell(form.Grid(), 0, 0, QStringLiteral("W9NEW"));
        form.Navigator()->Button(B::ApplyUpdates)->trigger();
        QVERIFY(q.exec(QStringLiteral("select callsign from epc where number='100'")) && q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("W9NEW"));
        // A text emptied in a reference window stays empty text (its NOT NULL columns accept it).
        TfrmDatabases modes(f.prompts, f.window->DM(), f.window.get());
        modes.Open(QStringLiteral("Modes"));
        modes.show();
        TypeIntoCell(modes.Grid(), 0, 0, QString());
        modes.Navigator()->Post();
        QCOMPARE(f.prompts.Messages(), QStringList());
        QVERIFY(q.exec(QStringLiteral("select count(*) from modes where name=''")) && q.next());
        QCOMPARE(q.value(0).toInt(), 1);
    }

    void UnknownTableOpensNoWindow()
    {
        TAppFixture f;
        TfrmDatabases form(f.prompts, f.window->DM(), f.window.get());
        try {
            form.Open(QStringLiteral("NoSuchTable"));
            QFAIL("an unknown table opened");
        } catch (const EDatabaseError& e) {
            QCOMPARE(e.Message(), QStringLiteral("no such table: NoSuchTable"));
        }
        QVERIFY(!form.isVisible());
    }
};

VANTREL_TEST(TestTableWindows)
#include "tst_TableWindows.moc"
