#include "AppFixture.h"
#include "common/TestRegistry.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTableView>

// The keyboard: the menu's shortcuts with the focus in every widget of the window (the menu wins over a
// field's own editing keys, Ctrl+A, Ctrl+E, Ctrl+D of a line edit, and over a list's keys), and the focus
// back in its field after a box closes. Run offscreen and, for the X11 key bindings and an X server
// without a window manager, under Xvfb.
class TestShortcuts : public QObject
{
    Q_OBJECT

    // The menu items whose shortcut can fire now: shown and enabled.
    static QList<QAction*> ShortcutActions(TAppFixture& f)
    {
        QList<QAction*> actions;
        QList<QAction*> pending = f.Find<QMenuBar>("MainMenu1")->actions();
        while (!pending.isEmpty()) {
            QAction* action = pending.takeFirst();
            if (action->menu()) {
                pending += action->menu()->actions();
            } else if (!action->shortcut().isEmpty() && action->isVisible() && action->isEnabled()) {
                actions << action;
            }
        }
        return actions;
    }

    // Every widget of the window that takes the keyboard focus now: fields, buttons, lists and grids.
    static QList<QWidget*> FocusableWidgets(TAppFixture& f)
    {
        QList<QWidget*> widgets;
        for (QWidget* w : f.window->findChildren<QWidget*>()) {
            const bool viewport =
                !w->inherits("QAbstractScrollArea") && w->parentWidget()->inherits("QAbstractScrollArea");
            if (w->focusPolicy() == Qt::NoFocus || !w->isVisible() || !w->isEnabled() || viewport ||
                w->parentWidget()->inherits("QComboBox") || w->inherits("QScrollBar")) {
                continue;
            }
            widgets << w;
        }
        return widgets;
    }

    // Presses every menu shortcut with the focus in every focusable widget: each reaches its menu item
    // once, and the widget keeps the focus and its text.
    static void PressEverywhere(TAppFixture& f, const QStringList& mustHave)
    {
        const QList<QAction*> actions = ShortcutActions(f);
        QStringList names;
        for (QAction* action : actions) {
            names << action->objectName();
            // Only the shortcut reaching its menu item counts here; what the items do (dialogs, closing the
            // window) is tested with each of them.
            QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
        }
        for (const QString& name : mustHave) {
            QVERIFY2(names.contains(name), qPrintable(name));
        }
        const QList<QWidget*> widgets = FocusableWidgets(f);
        QVERIFY(widgets.size() > 3);
        for (QWidget* widget : widgets) {
            widget->setFocus(Qt::OtherFocusReason);
            QTRY_VERIFY2(widget->hasFocus(), qPrintable(widget->objectName()));
            // The text a line edit would change with its own keys: cursor at the start, nothing selected.
            auto* combo = qobject_cast<QComboBox*>(widget);
            QLineEdit* edit = combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(widget);
            if (edit) {
                edit->setText(QStringLiteral("W1AW"));
                edit->setCursorPosition(0);
            }
            for (QAction* action : actions) {
                QSignalSpy triggered(action, &QAction::triggered);
                for (const QKeySequence& shortcut : action->shortcuts()) {
                    const QKeyCombination key = shortcut[0];
                    QTest::keyClick(widget, key.key(), key.keyboardModifiers());
                }
                QVERIFY2(triggered.count() == action->shortcuts().size(),
                         qPrintable(action->shortcut().toString() + " (" + action->objectName() + ") in " +
                                    widget->objectName() + " " + widget->metaObject()->className()));
                QVERIFY(widget->hasFocus());
            }
            if (edit) {
                // Ctrl+D did not delete, Ctrl+E did not move to the end, Ctrl+A did not select.
                QCOMPARE(edit->text(), QStringLiteral("W1AW"));
                QCOMPARE(edit->cursorPosition(), 0);
                QVERIFY(!edit->hasSelectedText());
            }
        }
    }

private slots:
    // Before any log is open: the list of logs and the tabs.
    void MenuWinsWithoutLog()
    {
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Sprint"));
        f.window->DoOpen();
        f.window->show();
        // Without a window manager (Xvfb) a window gets the keyboard only when asked.
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QVERIFY(f.Find("ListBox1")->isVisible());
        PressEverywhere(f, {"mnuExit", "mnuAbout", "mnuUpdateDataFiles", "mnuNew", "mnuOpen",
                            "mnuCheckForUpdate", "mnuStationSettings", "mnuStatistics", "mnuCluster",
                            "mnuSpotContact"});
    }

    // With a log open: every field of the entry form, its buttons, the recent contacts and the dupe list.
    void MenuWinsEverywhere()
    {
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Open Season"));
        f.Type(QStringLiteral("W1AW"));
        f.window->DoLog();
        f.window->SetOfflineLogging(true);
        f.window->SetUseAutoLook(true);
        // The colour items are offered only with the "Windows" theme.
        f.window->ThemeRoom().SetTheme(QStringLiteral("Windows"));
        const auto restoreStyle =
            qScopeGuard([&] { f.window->ThemeRoom().SetTheme(QStringLiteral("Fusion")); });
        f.window->show();
        // Without a window manager (Xvfb) a window gets the keyboard only when asked.
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        // The dupe list shows a line, the recent contacts a chosen one.
        f.Edit("txtCallsign")->setText(QStringLiteral("W1"));
        auto* grid = f.Find<QTableView>("gridRecent");
        grid->selectRow(0);
        for (const char* name : {"gridRecent", "ListView1", "txtCallsign", "cboQTH", "rbDX", "btnLog"}) {
            QWidget* w = f.Find(name);
            QVERIFY2(FocusableWidgets(f).contains(w) || (w && !w->isVisible()), name);
        }
        PressEverywhere(f, {"mnuExit", "mnuAbout", "mnuUpdateDataFiles", "mnuNew", "mnuOpen", "mnuSetup",
                            "mnuProcessContest", "mnuOffLineLogging", "mnuCheckForUpdate", "mnuEvents",
                            "mnuForgroundColor", "mnuBackgroundColor", "mnuContents", "mnuEditContact",
                            "mnuUndoLastContact", "mnuStationSettings", "mnuStatistics", "mnuCluster",
                            "mnuSpotContact"});
        // Delete in the list still removes the chosen contact, after asking.
        grid->setFocus(Qt::OtherFocusReason);
        grid->selectRow(0);
        f.prompts.AnswerMessage(MsgButton::No);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(f.prompts.Records().size(), 1);
        QVERIFY(f.prompts.Messages().first().startsWith(QStringLiteral("Delete the contact with W1AW")));
    }

    // A box opened from a field gives the keyboard back to that field when it closes: the next keys the
    // operator types land there, and the menu's keys work again.
    void FocusComesBack_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("About (Ctrl+A) from the QTH box")
            << "cboQTH" << int(Qt::Key_A) << int(Qt::ControlModifier);
        QTest::newRow("Setup (Ctrl+S) from Comments")
            << "txtComments" << int(Qt::Key_S) << int(Qt::ControlModifier);
        QTest::newRow("Edit Contact (F6) from the recent contacts") << "gridRecent" << int(Qt::Key_F6) << 0;
        QTest::newRow("Log window (F3) from the call sign") << "txtCallsign" << int(Qt::Key_F3) << 0;
    }

    void FocusComesBack()
    {
        QFETCH(QString, field);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Sprint"));
        f.Type(QStringLiteral("W6XYZ"));
        f.window->DoLog();
        f.window->show();
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QWidget* target = f.window->findChild<QWidget*>(field);
        target->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE(QApplication::focusWidget(), target);
        for (int round = 0; round < 2; ++round) {
            bool opened = false;
            TAppFixture::OnNextModal([&opened](QDialog* d) {
                // The operator closes the box with Esc once it has the keyboard.
                opened = QTest::qWaitFor([d] { return QApplication::activeWindow() == d; });
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            });
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            QVERIFY2(opened, "the menu's key opened its dialog");
            QTRY_COMPARE(QApplication::activeWindow(), f.window.get());
            QCOMPARE(QApplication::focusWidget(), target);
        }
        if (auto* box = qobject_cast<QComboBox*>(target)) {
            box->setEditText(QString());
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("CA"));
            QCOMPARE(box->currentText(), QStringLiteral("CA"));
        }
        QCOMPARE(f.prompts.Messages(), QStringList());
    }

    // The menu bar from the keyboard: Alt and a title's letter opens its menu, an item's letter runs it.
    // Every menu title and every item has its letter, one of a kind in its menu, and no Alt key of the
    // window means two things.
    void MenuBarByAltKeys()
    {
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Open Season"));
        f.window->SetUseAutoLook(true);
        f.window->show();
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));

        // The Alt keys of the window: menu titles, field labels, buttons, and the QTH box's own Alt+Q.
        QMap<QKeySequence, QStringList> owners;
        owners[QKeySequence(Qt::ALT | Qt::Key_Q)] << QStringLiteral("cboQTH");
        for (QAction* title : f.Find<QMenuBar>("MainMenu1")->actions()) {
            owners[QKeySequence::mnemonic(title->text())] << title->text();
        }
        for (QWidget* w : f.window->centralWidget()->findChildren<QWidget*>()) {
            QString text;
            if (auto* label = qobject_cast<QLabel*>(w); label && label->buddy()) {
                text = label->text();
            } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                text = button->text();
            }
            if (w->isVisible() && !QKeySequence::mnemonic(text).isEmpty()) {
                owners[QKeySequence::mnemonic(text)] << text;
            }
        }
        for (auto it = owners.cbegin(); it != owners.cend(); ++it) {
            QVERIFY2(it.value().size() == 1, qPrintable(it.key().toString() + ": " + it.value().join(", ")));
        }
        QVERIFY(owners.size() > 20);

        // Each menu and each item in it, from a field of the entry form.
        QLineEdit* call = f.Edit("txtCallsign");
        call->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(call->hasFocus());
        for (QAction* title : f.Find<QMenuBar>("MainMenu1")->actions()) {
            QMenu* menu = title->menu();
            const QKeySequence alt = QKeySequence::mnemonic(title->text());
            QVERIFY2(!alt.isEmpty(), qPrintable(title->text()));
            QStringList letters;
            for (QAction* item : menu->actions()) {
                if (item->isSeparator() || !item->isVisible()) {
                    continue;
                }
                const QKeySequence letter = QKeySequence::mnemonic(item->text());
                QVERIFY2(!letter.isEmpty(), qPrintable(item->text()));
                QVERIFY2(!letters.contains(letter.toString()), qPrintable(item->text()));
                letters << letter.toString();
                if (!item->isEnabled() || item->menu()) {
                    continue;
                }
                QObject::disconnect(item, &QAction::triggered, nullptr, nullptr);
                QSignalSpy triggered(item, &QAction::triggered);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key(alt[0].key()), Qt::AltModifier);
                QTRY_COMPARE(QApplication::activePopupWidget(), menu);
                QTest::keyClick(menu, letter[0].key());
                QVERIFY2(triggered.count() == 1, qPrintable(title->text() + " > " + item->text()));
                QTRY_VERIFY(!QApplication::activePopupWidget());
            }
        }
        QCOMPARE(f.prompts.Messages(), QStringList());
    }

    // Keys that are no menu shortcut stay the field's own.
    void FieldKeepsOtherKeys()
    {
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Open Season"));
        f.window->show();
        // Without a window manager (Xvfb) a window gets the keyboard only when asked.
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QLineEdit* edit = f.Edit("txtComments");
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        QTest::keyClicks(edit, QStringLiteral("good signal"));
        QTest::keyClick(edit, Qt::Key_Home);
        QTest::keyClick(edit, Qt::Key_Delete);
        QCOMPARE(edit->text(), QStringLiteral("ood signal"));
        QTest::keyClick(edit, Qt::Key_End);
        QTest::keyClick(edit, Qt::Key_Backspace, Qt::ControlModifier);
        QCOMPARE(edit->text(), QStringLiteral("ood "));
    }
};

VANTREL_TEST(TestShortcuts)
#include "tst_Shortcuts.moc"
