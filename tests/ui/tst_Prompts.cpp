#include "common/TestRegistry.h"
#include "gui/common/TRealPrompts.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

// What a shown message box showed, read while it is open.
struct TShownBox
{
    QRect frame;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    int labelWidth = 0;
    int labelHeight = 0;
    bool wrapped = false;
    // The height the label's text needs at its width.
    int textHeight = 0;
    QFont font;
};

// Shows a message of the real prompts on a window and reads the box once it is up; the box is then
// closed with its OK button.
TShownBox ShowMessage(QWidget* window, const QString& text)
{
    TShownBox shown;
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, &shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        shown.frame = box->frameGeometry();
        shown.text = label->text();
        shown.format = label->textFormat();
        shown.labelWidth = label->width();
        shown.labelHeight = label->height();
        shown.wrapped = label->wordWrap();
        shown.textHeight = label->heightForWidth(label->width());
        shown.font = label->font();
        box->button(QMessageBox::Ok)->click();
    });
    timer->start();
    TRealPrompts prompts;
    prompts.Message(window, text, MsgKind::Information, MsgButton::OK);
    return shown;
}

// Asks a question of the real prompts and presses Enter in the box once it is up.
MsgButton PressEnter(QWidget* window, MsgButton defaultButton)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        QTest::keyClick(box, Qt::Key_Return);
    });
    timer->start();
    TRealPrompts prompts;
    const MsgButtons buttons = MsgButton::Yes | MsgButton::No | MsgButton::Cancel;
    return defaultButton == MsgButton::None
               ? prompts.Message(window, QStringLiteral("Import the duplicates as well?"),
                                 MsgKind::Confirmation, buttons)
               : prompts.Ask(window, QStringLiteral("Import the duplicates as well?"), MsgKind::Confirmation,
                             buttons, defaultButton);
}

} // namespace

// The message boxes of the running program: what they show and where.
class TestPrompts : public QObject
{
    Q_OBJECT

    std::unique_ptr<QMainWindow> fWindow;

private slots:
    void init()
    {
        fWindow = std::make_unique<QMainWindow>();
        fWindow->setGeometry(100, 100, 800, 500);
        fWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(fWindow.get()));
    }

    void cleanup() { fWindow.reset(); }

    // Text from a file, a server or a datagram is shown as it is, markup included.
    void OutsideTextIsPlain_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("a version file holding HTML") << "<html>oops</html>";
        QTest::newRow("bold markup in a datagram") << "<b>W1AW</b> &amp; co";
        QTest::newRow("two spaces after a full stop") << "Whoa there cowboy!!  This puppy is a DUPE!!!";
    }

    void OutsideTextIsPlain()
    {
        QFETCH(QString, text);
        const TShownBox shown = ShowMessage(fWindow.get(), text);
        QCOMPARE(shown.format, Qt::PlainText);
        QCOMPARE(shown.text, text);
    }

    // A box is centred on its window with the size it has once its text is laid out, short or wide.
    void CentredOnTheWindow_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("short") << "No log has been processed.";
        QTest::newRow("wide, wrapped")
            << QString(QStringLiteral("The contact logged in WSJT-X could not be logged "
                                      "here because of a long reason. "))
                   .repeated(6);
        QTest::newRow("several lines") << "One\nTwo\nThree\nFour";
    }

    void CentredOnTheWindow()
    {
        QFETCH(QString, text);
        const QRect window = fWindow->frameGeometry();
        const TShownBox shown = ShowMessage(fWindow.get(), text);
        QVERIFY(shown.frame.isValid());
        QVERIFY2(qAbs(shown.frame.center().x() - window.center().x()) <= 1,
                 qPrintable(QStringLiteral("box centre x %1, window centre x %2")
                                .arg(shown.frame.center().x())
                                .arg(window.center().x())));
        QVERIFY(qAbs(shown.frame.center().y() - window.center().y()) <= 1);
    }

    // A box for a window not on the screen yet (a message at start-up) is centred on the screen, not on
    // where that window will be.
    void CentredOnTheScreenBeforeTheWindowShows()
    {
        QMainWindow hidden;
        hidden.setGeometry(300, 200, 1000, 640);
        const TShownBox shown = ShowMessage(&hidden, QStringLiteral("The reference database was missing."));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(qAbs(shown.frame.center().x() - screen.center().x()) <= 1,
                 qPrintable(QStringLiteral("box centre x %1, screen centre x %2")
                                .arg(shown.frame.center().x())
                                .arg(screen.center().x())));
        QVERIFY(qAbs(shown.frame.center().y() - screen.center().y()) <= 1);
    }

    // A box stays on the screen even when its window reaches past the screen's edge.
    void KeptOnTheScreen()
    {
        fWindow->move(-700, -450);
        const QRect area = fWindow->screen()->availableGeometry();
        const TShownBox shown = ShowMessage(fWindow.get(), QStringLiteral("Still readable."));
        QVERIFY(area.contains(shown.frame));
    }

    // Enter presses the button a question names; a plain box keeps its own first choice.
    void EnterPressesTheDefault()
    {
        QCOMPARE(PressEnter(fWindow.get(), MsgButton::No), MsgButton::No);
        QCOMPARE(PressEnter(fWindow.get(), MsgButton::Cancel), MsgButton::Cancel);
        QCOMPARE(PressEnter(fWindow.get(), MsgButton::None), MsgButton::Yes);
    }

    // However its lines are broken, the whole text shows: the box is as tall as the text needs, with or
    // without a window, and on a window not shown yet (a message at start-up comes before the main window
    // is on the screen).
    void WholeTextShows_data()
    {
        QTest::addColumn<QString>("window"); // none, shown or hidden
        QTest::addColumn<QString>("text");
        const QString shortPath = QStringLiteral(
            "The reference database /tmp/w/config.db was missing, so a copy of the one shipped with Vantrel "
            "has been put in its place. Rosters downloaded and reference tables edited before are not in "
            "it.");
        const QString longPath = QStringLiteral(
            "The logs database /home/operator/.local/share/Vantrel/logs.db cannot be opened: unable to open "
            "database file.\nNo contact can be logged until it opens. Close Vantrel, move logs.db out of the "
            "work folder (keep it: it may still hold your logs) and start Vantrel again to begin a new logs "
            "database, or put back a backup copy of logs.db.");
        for (const char* window : {"none", "shown", "hidden"}) {
            QTest::addRow("short path, window %s", window) << window << shortPath;
            QTest::addRow("long path, window %s", window) << window << longPath;
        }
    }
    void WholeTextShows()
    {
        QFETCH(QString, window);
        QFETCH(QString, text);
        QMainWindow hidden;
        hidden.setGeometry(100, 100, 800, 500);
        QWidget* parent = window == QStringLiteral("shown")    ? fWindow.get()
                          : window == QStringLiteral("hidden") ? &hidden
                                                               : nullptr;
        const TShownBox shown = ShowMessage(parent, text);
        if (shown.wrapped) {
            QVERIFY2(shown.labelHeight >= shown.textHeight,
                     qPrintable(QStringLiteral("label %1x%2, text needs %3")
                                    .arg(shown.labelWidth)
                                    .arg(shown.labelHeight)
                                    .arg(shown.textHeight)));
        } else {
            for (const QString& line : shown.text.split(QLatin1Char('\n'))) {
                QVERIFY2(QFontMetrics(shown.font).horizontalAdvance(line) <= shown.labelWidth,
                         qPrintable(line));
            }
        }
    }

    // A path stays whole on a line of its own, and the box is wide enough for it.
    void PathIsNotBroken()
    {
        const QString path = QStringLiteral("/home/operator/.local/share/Vantrel-practice-logs/Vantrel.cfg");
        const QString text = QStringLiteral("No server address is set for RosterServer.\nAdd the line "
                                            "RosterServer=<address> to the [Settings] section of ") +
                             path;
        const TShownBox shown = ShowMessage(fWindow.get(), text);
        QVERIFY2(shown.text.split('\n').contains(path), qPrintable(shown.text));
        QVERIFY(shown.labelWidth >= QFontMetrics(shown.font).horizontalAdvance(path));
    }
};

VANTREL_TEST(TestPrompts)
#include "tst_Prompts.moc"
