#include "AppFixture.h"
#include "common/TestRegistry.h"
#include "gui/app/TRecentContactsModel.h"
#include "gui/common/Colors.h"
#include "gui/common/Themes.h"

#include <QAbstractButton>
#include <QAction>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QLocalServer>
#include <QRadioButton>
#include <QScrollBar>
#include <QSqlQueryModel>
#include <QTableView>
#include <QTreeView>

namespace {

// A shown main window with a current log, driven by real key events.
struct TDesk : TAppFixture
{
    explicit TDesk(const QString& event = QStringLiteral("Sprint"))
    {
        NewLog(QStringLiteral("N0CALL"), event);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    QString Table() const { return window->Mysettings().TableName; }

    // Clicks into a field and types a text, key by key.
    void TypeInto(QWidget* field, const QString& text)
    {
        // A closed dialog may leave the window inactive.
        if (!window->isActiveWindow()) {
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window.get()));
        }
        field->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(field->hasFocus());
        QTest::keyClicks(field, text);
    }

    QWidget* Focused() const { return QApplication::focusWidget(); }

    // Types a contact from the call field with Tab between the fields and ends it with Enter.
    void KeyContact(const QString& call, const QString& name, const QString& tenten)
    {
        Edit("txtCallsign")->clear();
        TypeInto(Edit("txtCallsign"), call);
        QTest::keyClick(Focused(), Qt::Key_Tab);
        QCOMPARE(Focused(), Edit("txtName"));
        QTest::keyClicks(Focused(), name);
        QTest::keyClick(Focused(), Qt::Key_Tab);
        QCOMPARE(Focused(), Edit("txtTenTen"));
        QTest::keyClicks(Focused(), tenten);
        QTest::keyClick(Focused(), Qt::Key_Return);
    }

    // The counters as "with/without/points", and what the log table holds.
    QString Counters() const
    {
        return QStringLiteral("%1/%2/%3")
            .arg(window->ctx_with())
            .arg(window->ctx_without())
            .arg(window->totalpoints());
    }

    QStringList Calls() const
    {
        return Scalar(QStringLiteral(
                          "select group_concat(_call, ',') from (select _call from \"%1\" order by pkey)")
                          .arg(Table()))
            .toString()
            .split(QLatin1Char(','), Qt::SkipEmptyParts);
    }

    QStringList RecentCalls() const
    {
        QStringList calls;
        for (const TRecentContact& c : window->RecentContacts().Contacts()) {
            calls << c.call;
        }
        return calls;
    }

    QStringList DupeList() const
    {
        QStringList calls;
        QAbstractItemModel* model = Find<QTreeView>("ListView1")->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            calls << model->index(row, 0).data().toString();
        }
        return calls;
    }

    // Selects a line of the recent-contacts list with the keyboard focus on it.
    void SelectRecent(int row)
    {
        auto* grid = Find<QTableView>("gridRecent");
        grid->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(grid->hasFocus());
        grid->setCurrentIndex(grid->model()->index(row, 0));
    }
};

} // namespace

// The operator's desk: contacts typed with the keyboard only, the QTH choice, the recent-contacts list
// with its edit, delete and undo, and the window's fit on small screens.
class TestOperatorDesk : public QObject
{
    Q_OBJECT

private slots:
    void TenContactsByKeyboard()
    {
        TDesk f;
        const QStringList calls = {QStringLiteral("W1AW"),   QStringLiteral("JA1ABC"),
                                   QStringLiteral("G4XYZ"),  QStringLiteral("K7ABC"),
                                   QStringLiteral("VE3AAA"), QStringLiteral("N2BBB"),
                                   QStringLiteral("DL1CCC"), QStringLiteral("W5DDD"),
                                   QStringLiteral("K0EEE"),  QStringLiteral("AA1FFF")};
        for (int i = 0; i < calls.size(); ++i) {
            // Every other contact carries a Ten-Ten number.
            f.KeyContact(calls.at(i), QStringLiteral("Op"),
                         i % 2 == 0 ? QString::number(100 + i) : QString());
            QCOMPARE(f.Edit("txtCallsign")->text(), QString());
            QCOMPARE(f.Focused(), f.Edit("txtCallsign"));
        }
        QCOMPARE(f.Calls(), calls);
        QCOMPARE(f.Counters(), QStringLiteral("5/5/15"));
        // The list shows the newest first.
        QStringList newestFirst = calls;
        std::reverse(newestFirst.begin(), newestFirst.end());
        QCOMPARE(f.RecentCalls(), newestFirst);
        // The DX calls were stored under their country from the prefix, with its DXCC number.
        QCOMPARE(
            f.Scalar(
                 QStringLiteral("select _qth||':'||_dxcc from \"%1\" where _call='JA1ABC'").arg(f.Table()))
                .toString(),
            QStringLiteral("Japan:339"));
        QCOMPARE(
            f.Scalar(QStringLiteral("select _qth||':'||_dxcc from \"%1\" where _call='G4XYZ'").arg(f.Table()))
                .toString(),
            QStringLiteral("England:223"));
        QCOMPARE(
            f.Scalar(QStringLiteral("select _dxcc from \"%1\" where _call='W5DDD'").arg(f.Table())).toInt(),
            0);
        QCOMPARE(f.prompts.Records().size(), 0);
    }

    // Enter on a push button presses that button; Esc empties the form from any field.
    void EnterOnButtonAndEscape()
    {
        TDesk f;
        f.TypeInto(f.Edit("txtCallsign"), QStringLiteral("W1AW"));
        f.Edit("txtName")->setText(QStringLiteral("Hiram"));
        auto* clear = f.Find<QPushButton>("btnClear");
        clear->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(clear->hasFocus());
        QTest::keyClick(clear, Qt::Key_Return);
        QCOMPARE(f.Rows(f.Table()), 0);
        QCOMPARE(f.Edit("txtCallsign")->text(), QString());
        QCOMPARE(f.Edit("txtName")->text(), QString());

        // Enter on "Log" logs.
        f.TypeInto(f.Edit("txtCallsign"), QStringLiteral("W1AW"));
        auto* log = f.Find<QPushButton>("btnLog");
        log->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(log->hasFocus());
        QTest::keyClick(log, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(f.Rows(f.Table()), 1);

        // Esc in a field empties the form and nothing is logged.
        for (const char* field : {"txtName", "txtComments", "cboMode"}) {
            f.TypeInto(f.Edit("txtCallsign"), QStringLiteral("K2ABC"));
            f.Edit("txtName")->setText(QStringLiteral("Sam"));
            auto* widget = f.Find(field);
            widget->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(widget->hasFocus());
            QTest::keyClick(widget, Qt::Key_Escape);
            QVERIFY2(f.Edit("txtCallsign")->text().isEmpty(), field);
            QCOMPARE(f.Edit("txtName")->text(), QString());
            QCOMPARE(f.Focused(), f.Edit("txtCallsign"));
        }
        QCOMPARE(f.Rows(f.Table()), 1);
    }

    // The QTH choice from the keyboard: Tab reaches the marked button only, the arrow keys choose.
    void QTHChoiceByArrowKeys()
    {
        TDesk f;
        auto* us = f.Find<QRadioButton>("rbUS");
        auto* dx = f.Find<QRadioButton>("rbDX");
        // A new log's form has neither marked: Left marks QTH US.
        QVERIFY(!us->isChecked() && !dx->isChecked());
        f.TypeInto(f.Combo("cboMode"), QString());
        QTest::keyClick(f.Focused(), Qt::Key_Tab);
        QCOMPARE(f.Focused(), us);
        QTest::keyClick(us, Qt::Key_Left);
        QVERIFY(us->isChecked());
        QCOMPARE(f.Focused(), us);
        QTest::keyClick(us, Qt::Key_Right);
        QVERIFY(dx->isChecked());
        QCOMPARE(f.Focused(), dx);
        QVERIFY(f.Combo("cboQTH")->findText(QStringLiteral("Japan")) >= 0);
        QVERIFY(f.Find("cboCounty")->isHidden());
        // Tab goes on to the QTH box, not to the unmarked button.
        QTest::keyClick(dx, Qt::Key_Tab);
        QCOMPARE(f.Focused(), f.Combo("cboQTH"));
        QTest::keyClick(f.Focused(), Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(f.Focused(), dx);
        QTest::keyClick(dx, Qt::Key_Up);
        QVERIFY(us->isChecked());
        QCOMPARE(f.Focused(), us);
        QVERIFY(f.Combo("cboQTH")->findText(QStringLiteral("AZ")) >= 0);
        QVERIFY(!f.Find("cboCounty")->isHidden());
    }

    // The call sign's prefix marks US or DX and the country; the operator's own choice then stays.
    void PrefixPreselectsQTH()
    {
        TDesk f;
        f.TypeInto(f.Edit("txtCallsign"), QStringLiteral("JA1ABC"));
        QVERIFY(f.Find<QRadioButton>("rbDX")->isChecked());
        QCOMPARE(f.Combo("cboQTH")->currentText(), QStringLiteral("Japan"));
        // Alt+U marks QTH US; more letters of the call no longer change it.
        QTest::keyClick(f.Focused(), Qt::Key_U, Qt::AltModifier);
        QTRY_VERIFY(f.Find<QRadioButton>("rbUS")->isChecked());
        f.TypeInto(f.Edit("txtCallsign"), QStringLiteral("Z"));
        QVERIFY(f.Find<QRadioButton>("rbUS")->isChecked());
        // Esc starts a new contact, whose prefix chooses again.
        QTest::keyClick(f.Focused(), Qt::Key_Escape);
        f.TypeInto(f.Edit("txtCallsign"), QStringLiteral("VE3ABC"));
        QVERIFY(f.Find<QRadioButton>("rbDX")->isChecked());
        QCOMPARE(f.Combo("cboQTH")->currentText(), QStringLiteral("Canada"));
        QTest::keyClick(f.Focused(), Qt::Key_Escape);
        f.TypeInto(f.Edit("txtCallsign"), QStringLiteral("W7ABC"));
        QVERIFY(f.Find<QRadioButton>("rbUS")->isChecked());
    }

    // Hawaii and Alaska are US states: their calls mark QTH US, the state and its counties. A country of
    // the same name as a state (Georgia, 4L) stays DX.
    void PrefixPreselectsState_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<bool>("us");
        QTest::addColumn<QString>("qth");
        QTest::addColumn<QString>("county");
        for (const char* call : {"KH6ABC", "AH6XY", "NH6Z", "WH6QQ", "KH7AA"}) {
            QTest::newRow(call) << call << true << "HI"
                                << "Honolulu";
        }
        for (const char* call : {"KL7ABC", "AL7XY", "NL7Z", "WL7QQ"}) {
            QTest::newRow(call) << call << true << "AK"
                                << "Anchorage";
        }
        QTest::newRow("W6ABC, another state") << "W6ABC" << true << ""
                                              << "";
        QTest::newRow("4L1AB, the country Georgia") << "4L1AB" << false << "Georgia"
                                                    << "";
    }

    void PrefixPreselectsState()
    {
        QFETCH(QString, call);
        QFETCH(bool, us);
        QFETCH(QString, qth);
        QFETCH(QString, county);
        TDesk f;
        f.TypeInto(f.Edit("txtCallsign"), call);
        QCOMPARE(f.Find<QRadioButton>("rbUS")->isChecked(), us);
        QCOMPARE(f.Combo("cboQTH")->currentText(), qth);
        QCOMPARE(f.Find("cboCounty")->isVisible(), us);
        if (!county.isEmpty()) {
            QVERIFY(f.Combo("cboCounty")->findText(county) >= 0);
            // The operator picks the county and logs: a US contact of that state.
            f.Combo("cboCounty")->setCurrentIndex(f.Combo("cboCounty")->findText(county));
            QTest::keyClick(f.Focused(), Qt::Key_Return);
            QCOMPARE(
                f.Scalar(QStringLiteral("select _qth||':'||_uscounty||':'||_dxcc from \"%1\"").arg(f.Table()))
                    .toString(),
                qth + ':' + county + QStringLiteral(":0"));
        }
    }

    // A state chosen by the prefix goes again when the call no longer begins with it.
    void PrefixStateFollowsTheCall()
    {
        TDesk f;
        f.TypeInto(f.Edit("txtCallsign"), QStringLiteral("KH6"));
        QCOMPARE(f.Combo("cboQTH")->currentText(), QStringLiteral("HI"));
        QTest::keyClick(f.Focused(), Qt::Key_Backspace);
        QTest::keyClick(f.Focused(), Qt::Key_Backspace);
        QVERIFY(f.Find<QRadioButton>("rbUS")->isChecked());
        QCOMPARE(f.Combo("cboQTH")->currentText(), QString());
        QCOMPARE(f.Combo("cboCounty")->count(), 0);
        // A state the operator picked stays whatever the call.
        f.Combo("cboQTH")->setCurrentIndex(f.Combo("cboQTH")->findText(QStringLiteral("AZ")));
        f.TypeInto(f.Edit("txtCallsign"), QStringLiteral("L7"));
        QCOMPARE(f.Combo("cboQTH")->currentText(), QStringLiteral("AZ"));
    }

    // Alt and a label's letter reach its field.
    void Mnemonics_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("field");
        QTest::newRow("Callsign") << int(Qt::Key_C) << "txtCallsign";
        QTest::newRow("Name") << int(Qt::Key_N) << "txtName";
        QTest::newRow("Ten-Ten") << int(Qt::Key_T) << "txtTenTen";
        QTest::newRow("VP") << int(Qt::Key_V) << "txtVP";
        QTest::newRow("Mode") << int(Qt::Key_M) << "cboMode";
        QTest::newRow("EPC") << int(Qt::Key_P) << "txtEPC";
        QTest::newRow("070") << int(Qt::Key_7) << "txtP070";
        QTest::newRow("QTH box") << int(Qt::Key_Q) << "cboQTH";
        QTest::newRow("County") << int(Qt::Key_Y) << "cboCounty";
        QTest::newRow("Comments") << int(Qt::Key_S) << "txtComments";
    }

    void Mnemonics()
    {
        QFETCH(int, key);
        QFETCH(QString, field);
        TDesk f(QStringLiteral("Open Season"));
        f.TypeInto(f.Edit("txtCallsign"), QString());
        QTest::keyClick(f.Focused(), Qt::Key(key), Qt::AltModifier);
        QWidget* target = f.window->findChild<QWidget*>(field);
        QTRY_VERIFY2(target->hasFocus(), qPrintable(field));
    }

    // Ctrl+Q quits as Ctrl+E does, from any field.
    void CtrlQQuits()
    {
        TDesk f;
        f.TypeInto(f.Edit("txtComments"), QStringLiteral("x"));
        QTest::keyClick(f.Focused(), Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(!f.window->isVisible());
    }

    // Editing, deleting and undoing contacts: the counters and the dupe list follow every change.
    void EditDeleteUndo()
    {
        TDesk f;
        f.KeyContact(QStringLiteral("W1AW"), QStringLiteral("Hiram"), QStringLiteral("123"));
        f.KeyContact(QStringLiteral("K2ABC"), QStringLiteral("Sam"), QString());
        f.KeyContact(QStringLiteral("K2XYZ"), QStringLiteral("Al"), QString());
        QCOMPARE(f.Counters(), QStringLiteral("1/2/4"));
        QCOMPARE(f.RecentCalls(), QStringList({"K2XYZ", "K2ABC", "W1AW"}));

        // Edit K2ABC (line 1): first into a duplicate, which is refused and the dialog stays, then into a
        // new call with a Ten-Ten number.
        f.prompts.AnswerMessage(MsgButton::OK);
        bool refusedAndOpen = false;
        TAppFixture::OnNextModal([&](QDialog* d) {
            auto* call = d->findChild<QLineEdit*>(QStringLiteral("txtCallsign"));
            QCOMPARE(call->text(), QStringLiteral("K2ABC"));
            call->setText(QStringLiteral("W1AW"));
            QPushButton* ok = d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            ok->click();
            refusedAndOpen = d->isVisible();
            call->setText(QStringLiteral("K2ABD"));
            d->findChild<QLineEdit*>(QStringLiteral("txtTenTen"))->setText(QStringLiteral("55"));
            ok->click();
        });
        f.SelectRecent(1);
        QTest::keyClick(f.Find("gridRecent"), Qt::Key_Return);
        QVERIFY(refusedAndOpen);
        QCOMPARE(f.prompts.Messages(), QStringList({kDupe}));
        QCOMPARE(f.Calls(), QStringList({"W1AW", "K2ABD", "K2XYZ"}));
        QCOMPARE(
            f.Scalar(QStringLiteral("select _points from \"%1\" where _call='K2ABD'").arg(f.Table())).toInt(),
            2);
        QCOMPARE(f.Counters(), QStringLiteral("2/1/5"));
        // The dupe list of a call being typed follows the change.
        f.TypeInto(f.Edit("txtCallsign"), QStringLiteral("K2"));
        QCOMPARE(f.DupeList(), QStringList({"K2ABD", "K2XYZ"}));

        // Delete W1AW (line 2): No keeps it, Yes removes it.
        f.prompts.AnswerMessage(MsgButton::No);
        f.SelectRecent(2);
        QTest::keyClick(f.Find("gridRecent"), Qt::Key_Delete);
        QCOMPARE(f.Calls().size(), 3);
        f.prompts.AnswerMessage(MsgButton::Yes);
        QTest::keyClick(f.Find("gridRecent"), Qt::Key_Delete);
        QCOMPARE(f.prompts.Records().last().kind, MsgKind::Confirmation);
        QVERIFY(f.prompts.Messages().last().contains(QStringLiteral("W1AW")));
        QCOMPARE(f.Calls(), QStringList({"K2ABD", "K2XYZ"}));
        QCOMPARE(f.Counters(), QStringLiteral("1/1/3"));
        // W1AW may now be logged again.
        f.KeyContact(QStringLiteral("W1AW"), QStringLiteral("Hiram"), QString());
        QCOMPARE(f.Calls(), QStringList({"K2ABD", "K2XYZ", "W1AW"}));
        QCOMPARE(f.Counters(), QStringLiteral("1/2/4"));

        // Ctrl+Z from the call field asks first; No keeps the contact, Yes removes the newest one.
        f.TypeInto(f.Edit("txtCallsign"), QStringLiteral("K2"));
        f.prompts.AnswerMessage(MsgButton::No);
        QTest::keyClick(f.Focused(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.Calls().size(), 3);
        QVERIFY(f.prompts.Messages().last().contains(QStringLiteral("W1AW")));
        f.prompts.AnswerMessage(MsgButton::Yes);
        QTest::keyClick(f.Focused(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.Calls(), QStringList({"K2ABD", "K2XYZ"}));
        QCOMPARE(f.Counters(), QStringLiteral("1/1/3"));
        QCOMPARE(f.RecentCalls(), QStringList({"K2XYZ", "K2ABD"}));
        f.prompts.AnswerMessage(MsgButton::Yes);
        QTest::keyClick(f.Focused(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.DupeList(), QStringList({"K2ABD"}));
        QCOMPARE(f.Counters(), QStringLiteral("1/0/2"));
        QCOMPARE(f.prompts.Pending(), 0);
    }

    // F6 with no line chosen edits the contact logged last, from any field or the list itself.
    void EditLastWithNothingSelected_data()
    {
        QTest::addColumn<QString>("from");
        QTest::newRow("call sign field") << "txtCallsign";
        QTest::newRow("recent contacts, no line chosen") << "gridRecent";
    }

    void EditLastWithNothingSelected()
    {
        QFETCH(QString, from);
        TDesk f;
        f.KeyContact(QStringLiteral("W1AW"), QStringLiteral("Hiram"), QStringLiteral("123"));
        f.KeyContact(QStringLiteral("K2ABC"), QStringLiteral("Sam"), QString());
        QWidget* field = f.Find(qPrintable(from));
        field->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(field->hasFocus());
        QString shown;
        TAppFixture::OnNextModal([&shown](QDialog* d) {
            shown = d->findChild<QLineEdit*>(QStringLiteral("txtCallsign"))->text();
            d->findChild<QLineEdit*>(QStringLiteral("txtName"))->setText(QStringLiteral("Samuel"));
            d->accept();
        });
        QTest::keyClick(field, Qt::Key_F6);
        QCOMPARE(shown, QStringLiteral("K2ABC"));
        QCOMPARE(f.Scalar(QStringLiteral("select _name from \"%1\" where _call='K2ABC'").arg(f.Table()))
                     .toString(),
                 QStringLiteral("Samuel"));
        QCOMPARE(f.prompts.Messages(), QStringList());
    }

    // A contact logged while older lines are scrolled into view brings the list back to the newest.
    void NewestContactInView()
    {
        TDesk f;
        for (int i = 0; i < 40; ++i) {
            f.Type(QStringLiteral("W%1AA").arg(i));
            f.window->DoLog();
        }
        auto* grid = f.Find<QTableView>("gridRecent");
        QScrollBar* bar = grid->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum());
        QVERIFY(!grid->viewport()->rect().intersects(grid->visualRect(grid->model()->index(0, 0))));
        f.KeyContact(QStringLiteral("K9NEW"), QStringLiteral("Ann"), QString());
        QCOMPARE(f.RecentCalls().first(), QStringLiteral("K9NEW"));
        QTRY_VERIFY(grid->viewport()->rect().contains(grid->visualRect(grid->model()->index(0, 1))));
        // An edit keeps the place in the list.
        bar->setValue(bar->maximum());
        f.window->RecountScores();
        f.window->LogTableChanged();
        QCOMPARE(bar->value(), bar->maximum());
    }

    // A contact typed and not logged comes back, as it was, when its log is opened after a restart: after
    // quitting with Ctrl+Q or Ctrl+E, and after the program was killed.
    void TypedContactSurvivesRestart_data()
    {
        QTest::addColumn<QString>("end");
        QTest::newRow("Ctrl+Q") << "ctrl+q";
        QTest::newRow("Ctrl+E") << "ctrl+e";
        QTest::newRow("killed") << "kill";
    }

    void TypedContactSurvivesRestart()
    {
        QFETCH(QString, end);
        TTestHome home;
        home.PrepareWorkFolder();
        home.WriteSettings({QStringLiteral("Grid=FN31PR"), QStringLiteral("LastMode=SSB")});
        QString table;
        {
            TScriptedPrompts prompts;
            TfrmMain window(prompts);
            window.show();
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            TAppFixture::OnNextModal([](QDialog* d) {
                d->findChild<QComboBox*>(QStringLiteral("cboContest"))->setEditText(QStringLiteral("Sprint"));
                d->findChild<QComboBox*>(QStringLiteral("cboMode"))->setEditText(QStringLiteral("SSB"));
                for (const char* name : {"txtCallSign", "txtFirstName", "txtLastName", "txtAddress",
                                         "txtCity", "txtState", "txtZipCode"}) {
                    d->findChild<QLineEdit*>(QString::fromLatin1(name))->setText(QStringLiteral("N0CALL"));
                }
                d->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
            });
            window.DoNewLog();
            table = window.Mysettings().TableName;
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            const auto type = [&window](const char* name, const QString& text) {
                QWidget* field = window.findChild<QWidget*>(QString::fromLatin1(name));
                field->setFocus(Qt::OtherFocusReason);
                QTest::keyClicks(QApplication::focusWidget(), text);
            };
            type("txtCallsign", QStringLiteral("ja1abc"));
            type("txtName", QStringLiteral("Taro"));
            type("txtTenTen", QStringLiteral("4321"));
            type("txtComments", QStringLiteral("59 Tokyo"));
            QVERIFY(window.findChild<QRadioButton*>(QStringLiteral("rbDX"))->isChecked());
            if (end == QStringLiteral("kill")) {
                // Killed a moment after the last key: no closing, no settings written at exit.
                QTest::qWait(1000);
                window.DM().CloseLogs();
                window.DM().CloseConfig();
                window.setAttribute(Qt::WA_DeleteOnClose, false);
                window.hide();
            } else {
                QTest::keyClick(QApplication::focusWidget(),
                                end == QStringLiteral("ctrl+q") ? Qt::Key_Q : Qt::Key_E, Qt::ControlModifier);
                QVERIFY(!window.isVisible());
            }
            QCOMPARE(prompts.Messages(), QStringList());
        }
        TScriptedPrompts prompts;
        TfrmMain window(prompts);
        auto* logs = window.findChild<QListWidget*>(QStringLiteral("ListBox1"));
        QCOMPARE(logs->count(), 1);
        logs->setCurrentRow(0);
        window.ListBox1Click();
        QCOMPARE(window.Mysettings().TableName, table);
        QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("txtCallsign"))->text(),
                 QStringLiteral("JA1ABC"));
        QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("txtName"))->text(), QStringLiteral("Taro"));
        QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("txtTenTen"))->text(), QStringLiteral("4321"));
        QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("txtComments"))->text(),
                 QStringLiteral("59 Tokyo"));
        QVERIFY(window.findChild<QRadioButton*>(QStringLiteral("rbDX"))->isChecked());
        QCOMPARE(window.findChild<QComboBox*>(QStringLiteral("cboQTH"))->currentText(),
                 QStringLiteral("Japan"));
        QCOMPARE(prompts.Messages(), QStringList());
        // Logged, it is gone from the next start.
        window.DoLog();
        window.close();
        TScriptedPrompts again;
        TfrmMain next(again);
        next.findChild<QListWidget*>(QStringLiteral("ListBox1"))->setCurrentRow(0);
        next.ListBox1Click();
        QCOMPARE(next.findChild<QLineEdit*>(QStringLiteral("txtCallsign"))->text(), QString());
        QCOMPARE(next.findChild<QLineEdit*>(QStringLiteral("txtComments"))->text(), QString());
    }

    // A settings file that cannot be written while a contact is typed is reported once, not at every
    // pause in the typing.
    void DraftNotKeptReportedOnce()
    {
        TDesk f;
        const QString path = f.home.Work() + QStringLiteral("Vantrel.cfg");
        QVERIFY(QFile::remove(path));
        // A socket file: there, but nobody (root included) can open it to read.
        QLocalServer socket;
        QVERIFY(socket.listen(path));
        f.prompts.AnswerMessage(MsgButton::OK);
        f.TypeInto(f.Edit("txtCallsign"), QStringLiteral("W1A"));
        QTRY_COMPARE(f.prompts.Messages().size(), 1);
        QVERIFY(f.prompts.Messages().first().contains(QStringLiteral("Vantrel.cfg")));
        f.TypeInto(f.Edit("txtName"), QStringLiteral("Hiram"));
        QTest::qWait(700);
        f.TypeInto(f.Edit("txtComments"), QStringLiteral("59"));
        QTest::qWait(700);
        QCOMPARE(f.prompts.Messages().size(), 1);
    }

    // A US contact typed off-line comes back with its state, county, date and time.
    void OffLineDraftKeepsDateAndCounty()
    {
        QString table;
        auto f = std::make_unique<TAppFixture>();
        f->NewLog(QStringLiteral("N0CALL"), QStringLiteral("Sprint"));
        table = f->window->Mysettings().TableName;
        f->window->SetOfflineLogging(true);
        f->Edit("txtDate")->setText(QStringLiteral("2024-06-01"));
        f->Edit("txtTime")->setText(QStringLiteral("18:05"));
        f->Edit("txtCallsign")->setText(QStringLiteral("W7ABC"));
        f->Combo("cboQTH")->setCurrentIndex(f->Combo("cboQTH")->findText(QStringLiteral("AZ")));
        f->window->EntryForm().cboQTHClick();
        f->Combo("cboCounty")->setCurrentIndex(f->Combo("cboCounty")->findText(QStringLiteral("Pima")));
        f->window->close();
        // The same work folder (f->home), a new window.
        f->window.reset();
        TScriptedPrompts prompts;
        TfrmMain window(prompts);
        window.findChild<QListWidget*>(QStringLiteral("ListBox1"))->setCurrentRow(0);
        window.ListBox1Click();
        QCOMPARE(window.Mysettings().TableName, table);
        QVERIFY(window.OfflineLogging());
        QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("txtDate"))->text(),
                 QStringLiteral("2024-06-01"));
        QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("txtTime"))->text(), QStringLiteral("18:05"));
        QVERIFY(window.findChild<QRadioButton*>(QStringLiteral("rbUS"))->isChecked());
        QCOMPARE(window.findChild<QComboBox*>(QStringLiteral("cboQTH"))->currentText(), QStringLiteral("AZ"));
        QCOMPARE(window.findChild<QComboBox*>(QStringLiteral("cboCounty"))->currentText(),
                 QStringLiteral("Pima"));
        QVERIFY(
            window.findChild<QComboBox*>(QStringLiteral("cboCounty"))->findText(QStringLiteral("Maricopa")) >=
            0);
    }

    // In a "Spirit Of 76" log the edit applies its rule: same call on another mode is no duplicate.
    void EditFollowsTheEventRule()
    {
        TDesk f(QStringLiteral("Spirit Of 76"));
        f.Type(QStringLiteral("W1AW"), QString(), QStringLiteral("SSB"));
        f.window->DoLog();
        f.Type(QStringLiteral("W1AW"), QString(), QStringLiteral("CW"));
        f.window->DoLog();
        QCOMPARE(f.Rows(f.Table()), 2);
        f.prompts.AnswerMessage(MsgButton::OK);
        TAppFixture::OnNextModal([&](QDialog* d) {
            d->findChild<QComboBox*>(QStringLiteral("cboMode"))->setEditText(QStringLiteral("SSB"));
            QPushButton* ok = d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            ok->click();
            d->findChild<QComboBox*>(QStringLiteral("cboMode"))->setEditText(QStringLiteral("FM"));
            ok->click();
        });
        f.window->EditContact(0);
        QCOMPARE(f.prompts.Messages(), QStringList({kDupe}));
        QCOMPARE(
            f.Scalar(QStringLiteral("select group_concat(_mode, ',') from \"%1\"").arg(f.Table())).toString(),
            QStringLiteral("SSB,FM"));
    }

    // A log made current fills an empty Mode box with the log's mode; a mode in the box stays.
    void ModeOfTheLog()
    {
        TAppFixture f;
        f.Combo("cboMode")->setEditText(QString());
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Sprint"), QStringLiteral("CW"));
        QCOMPARE(f.Combo("cboMode")->currentText(), QStringLiteral("CW"));
        f.Combo("cboMode")->setEditText(QStringLiteral("RTTY"));
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Weak Signal"), QStringLiteral("SSB"));
        QCOMPARE(f.Combo("cboMode")->currentText(), QStringLiteral("SSB"));
    }

    // The first start shows what to do; a current log shows its recent contacts instead.
    void FirstStartHint()
    {
        TAppFixture f;
        f.window->show();
        QVERIFY(f.Find("lblFirstStart")->isVisible());
        QVERIFY(f.Find<QLabel>("lblFirstStart")
                    ->text()
                    .contains(QStringLiteral("File > New creates the log for an event")));
        QVERIFY(!f.Find("grpRecent")->isVisible());
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Sprint"));
        QVERIFY(!f.Find("lblFirstStart")->isVisible());
        QVERIFY(f.Find("grpRecent")->isVisible());
    }

    // The window is resizable; its size is kept in the settings beside its position.
    void WindowSizeIsKept()
    {
        QSize saved;
        {
            TDesk f;
            QVERIFY(f.window->minimumWidth() < f.window->maximumWidth());
            f.window->resize(820, 560);
            QTRY_COMPARE(f.window->size(), QSize(820, 560));
            f.window->close();
            TSettings settings(f.home.Work() + QStringLiteral("Vantrel.cfg"));
            saved = QSize(settings.GetSetting(SettingKeys::Width, 0),
                          settings.GetSetting(SettingKeys::Height, 0));
            QCOMPARE(settings.GetSetting(SettingKeys::Left, -1), f.window->x());
        }
        QCOMPARE(saved, QSize(820, 560));
    }

    // At 1024 x 768, and at half of it (a scale factor of 2), every control gets at least the room it
    // needs: the window's contents scroll instead of being cut off.
    void NothingCutOff_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("1024 x 768") << QSize(1024, 768);
        QTest::newRow("scale factor 2 on 1024 x 768") << QSize(512, 384);
    }

    void NothingCutOff()
    {
        QFETCH(QSize, size);
        TDesk f(QStringLiteral("Open Season"));
        f.Type(QStringLiteral("W1AW"));
        f.window->DoLog();
        f.window->resize(size);
        QTRY_COMPARE(f.window->size(), size);
        QCoreApplication::processEvents();
        int checked = 0;
        for (QWidget* w : f.window->centralWidget()->findChildren<QWidget*>()) {
            const bool control = qobject_cast<QLabel*>(w) || qobject_cast<QLineEdit*>(w) ||
                                 qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractButton*>(w);
            if (!control || !w->isVisible() || w->parentWidget()->inherits("QComboBox") ||
                w->parentWidget()->inherits("QScrollBar")) {
                continue;
            }
            const QSize need = w->minimumSizeHint();
            QVERIFY2(w->width() >= need.width() && w->height() >= need.height(),
                     qPrintable(QStringLiteral("%1: %2x%3 < %4x%5")
                                    .arg(w->objectName())
                                    .arg(w->width())
                                    .arg(w->height())
                                    .arg(need.width())
                                    .arg(need.height())));
            ++checked;
        }
        QVERIFY(checked > 30);
    }

    // The plain look's own text colour is used only where it can be read on the window's background.
    void LegibleTextColour_data()
    {
        QTest::addColumn<QString>("background");
        QTest::addColumn<bool>("used");
        QTest::newRow("dark red on light grey") << "Color=15790320" << true;
        QTest::newRow("dark red on near black") << "Color=2105376" << false;
    }

    void LegibleTextColour()
    {
        QFETCH(QString, background);
        QFETCH(bool, used);
        TTestHome home;
        home.PrepareWorkFolder();
        home.WriteSettings({QStringLiteral("Grid=FN31PR"), QStringLiteral("Theme=Windows"),
                            QStringLiteral("Fore_color=128"), background});
        TScriptedPrompts prompts;
        TfrmMain window(prompts);
        const QColor text = window.palette().color(QPalette::WindowText);
        QCOMPARE(text == QColor(128, 0, 0), used);
        QVERIFY(Legible(text, window.palette().color(QPalette::Window)));
        Themes::Apply(Themes::kDefault);
    }

    // File > Reopen Processed Log lists the processed logs and opens the one chosen again.
    void ReopenProcessedLog()
    {
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Sprint"));
        const QString table = f.window->Mysettings().TableName;
        QCOMPARE(f.window->findChild<QAction*>(QStringLiteral("mnuReopenProcessedLog"))->text(),
                 QStringLiteral("&Reopen Processed Log…"));
        f.prompts.AnswerMessage(MsgButton::OK);
        f.window->ContactEdits().mnuReopenProcessedLogClick();
        QCOMPARE(f.prompts.Messages().last(), QStringLiteral("No log has been processed."));

        f.window->DM().MarkLogProcessed(table);
        QVERIFY(!f.window->DM().GetTables().contains(table));
        int listed = 0;
        TAppFixture::OnNextModal([&](QDialog* d) {
            auto* list = d->findChild<QListWidget*>(QStringLiteral("lstProcessedLogs"));
            listed = list->count();
            QTest::keyClick(list, Qt::Key_Return);
        });
        f.prompts.AnswerMessage(MsgButton::OK);
        f.window->ContactEdits().mnuReopenProcessedLogClick();
        QCOMPARE(listed, 1);
        QVERIFY(f.window->DM().GetTables().contains(table));
        QCOMPARE(f.prompts.Messages().last(),
                 table + QStringLiteral(" is open again: File > Open lists it."));
    }

    // The recent-contacts list holds the last hundred contacts of a long log.
    void RecentListOfALongLog()
    {
        TDesk f;
        for (int i = 0; i < 130; ++i) {
            f.Type(QStringLiteral("W%1AA").arg(i));
            f.window->DoLog();
        }
        QCOMPARE(f.window->RecentContacts().rowCount(), TRecentContactsModel::kRows);
        QCOMPARE(f.RecentCalls().first(), QStringLiteral("W129AA"));
        QCOMPARE(f.RecentCalls().last(), QStringLiteral("W30AA"));
    }
};

VANTREL_TEST(TestOperatorDesk)
#include "tst_OperatorDesk.moc"
