#include "AppFixture.h"
#include "common/TestRegistry.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>

// The menu's keyboard shortcuts with the focus in each kind of field of the entry form: the menu wins
// over the field's own editing keys (Ctrl+A, Ctrl+E, Ctrl+D of a line edit).
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

private slots:
    void MenuWinsOverField_data()
    {
        QTest::addColumn<QString>("field");
        QTest::newRow("call sign line edit") << "txtCallsign";
        QTest::newRow("plain line edit") << "txtComments";
        QTest::newRow("date line edit, off-line logging") << "txtDate";
        QTest::newRow("mode combo box") << "cboMode";
        QTest::newRow("QTH combo box") << "cboQTH";
        QTest::newRow("county combo box") << "cboCounty";
        QTest::newRow("radio button") << "rbDX";
        QTest::newRow("check box") << "cbAutoFill";
        QTest::newRow("push button") << "btnClear";
    }

    void MenuWinsOverField()
    {
        QFETCH(QString, field);
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Open Season"));
        f.window->SetOfflineLogging(true);
        f.window->SetUseAutoLook(true);
        // The colour items are offered only with the "Windows" theme.
        f.window->SetTheme(QStringLiteral("Windows"));
        const auto restoreStyle = qScopeGuard([&] { f.window->SetTheme(QStringLiteral("Fusion")); });
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        auto* widget = f.window->findChild<QWidget*>(field);
        QVERIFY(widget && widget->isEnabled());
        widget->setFocus();
        QTRY_VERIFY(widget->hasFocus());
        // The text a line edit would change with its own keys: cursor at the start, nothing selected.
        auto* combo = qobject_cast<QComboBox*>(widget);
        QLineEdit* edit = combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(widget);
        if (edit) {
            edit->setText(QStringLiteral("W1AW"));
            edit->setCursorPosition(0);
        }

        const QList<QAction*> actions = ShortcutActions(f);
        QStringList names;
        for (const QAction* action : actions) {
            names << action->objectName();
        }
        for (const char* name : {"mnuExit", "mnuAbout", "mnuUpdateDataFiles", "mnuNew", "mnuOpen", "mnuSetup",
                                 "mnuProcessContest", "mnuOffLineLogging", "mnuCheckForUpdate", "mnuEvents",
                                 "mnuForgroundColor", "mnuBackgroundColor", "mnuContents"}) {
            QVERIFY2(names.contains(QString::fromLatin1(name)), name);
        }
        for (QAction* action : actions) {
            // Only the shortcut reaching its menu item counts here; what the items do (dialogs, closing the
            // window) is tested with each of them.
            QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
            QSignalSpy triggered(action, &QAction::triggered);
            const QKeyCombination key = action->shortcut()[0];
            QTest::keyClick(widget, key.key(), key.keyboardModifiers());
            QVERIFY2(triggered.count() == 1, qPrintable(action->shortcut().toString() + " (" +
                                                        action->objectName() + ") in " + field));
            QVERIFY(widget->hasFocus());
        }
        if (edit) {
            // Ctrl+D did not delete, Ctrl+E did not move to the end, Ctrl+A did not select.
            QCOMPARE(edit->text(), QStringLiteral("W1AW"));
            QCOMPARE(edit->cursorPosition(), 0);
            QVERIFY(!edit->hasSelectedText());
        }
    }

    // Keys that are no menu shortcut stay the field's own.
    void FieldKeepsOtherKeys()
    {
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Open Season"));
        f.window->show();
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
