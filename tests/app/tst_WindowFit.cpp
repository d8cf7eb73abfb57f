#include "AppFixture.h"
#include "common/TestRegistry.h"
#include "data/TSettings.h"

#include <QAbstractButton>
#include <QAction>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>

namespace {

// The screens of the tests: the desk (1024 x 768) and the same screen at a scale factor of 2.
QScreen* Screen(bool scaled)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens) {
        if ((screen->devicePixelRatio() > 1.5) == scaled) {
            return screen;
        }
    }
    return nullptr;
}

// Where a dialog opened from the main window lies, and whether each of its fields and buttons can be
// brought into sight.
struct TOpened
{
    QRect frame;
    QStringList unreachable;
    QStringList clipped;
};

// Opens a dialog with an action of the main window and reads it once it is shown; then closes it.
TOpened OpenDialog(const std::function<void()>& open)
{
    TOpened opened;
    TAppFixture::OnNextModal([&opened](QDialog* d) {
        opened.frame = d->frameGeometry();
        // A caption gets the whole width of its text, measured to the fraction of a pixel.
        for (QLabel* label : d->findChildren<QLabel*>()) {
            const QString text = QString(label->text()).remove('&').section('\n', 0, 0);
            if (!label->isVisible() || label->wordWrap() || text.isEmpty()) {
                continue;
            }
            // The text drawn to the last column of the label has been cut there.
            const QImage image = label->grab().toImage();
            const QRgb back = image.pixel(0, 0);
            bool touches = false;
            for (int y = 0; y < image.height(); ++y) {
                touches = touches || image.pixel(image.width() - 1, y) != back;
            }
            if (touches || label->contentsRect().width() <
                               std::ceil(QFontMetricsF(label->font()).horizontalAdvance(text))) {
                opened.clipped << text;
            }
        }
        for (QWidget* w : d->findChildren<QWidget*>()) {
            const bool control = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                                 qobject_cast<QAbstractButton*>(w);
            if (!control || w->isHidden() || w->parentWidget()->inherits("QComboBox")) {
                continue;
            }
            // A field in a scroll area is brought into sight by the keyboard focus.
            for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
                if (auto* scroll = qobject_cast<QScrollArea*>(p)) {
                    scroll->ensureWidgetVisible(w);
                    break;
                }
            }
            const QRect shown = QRect(w->mapTo(d, QPoint(0, 0)), w->size());
            if (w->visibleRegion().isEmpty() || !d->rect().contains(shown.center())) {
                opened.unreachable << w->objectName();
            }
        }
        d->reject();
    });
    open();
    return opened;
}

} // namespace

// Every window fits the screen it opens on, at a scale factor of 1 and of 2; sizes saved on one come back
// usable on the other.
class TestWindowFit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(Screen(false) && Screen(true), "the tests need the two screens of the test main");
        QCOMPARE(Screen(false)->geometry().size(), QSize(1024, 768));
        QCOMPARE(Screen(true)->geometry().size(), QSize(512, 384));
    }

    void DialogsFitTheScreen_data()
    {
        QTest::addColumn<bool>("scaled");
        QTest::addColumn<QString>("dialog");
        for (const bool scaled : {false, true}) {
            const QString where = scaled ? QStringLiteral("scale 2, ") : QStringLiteral("scale 1, ");
            for (const char* dialog : {"setup", "log window", "reference window", "edit contact", "about"}) {
                QTest::newRow(qPrintable(where + QLatin1String(dialog)))
                    << scaled << QString::fromLatin1(dialog);
            }
        }
    }

    void DialogsFitTheScreen()
    {
        QFETCH(bool, scaled);
        QFETCH(QString, dialog);
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Open Season"));
        f.Type(QStringLiteral("W1AW"));
        f.window->DoLog();
        QScreen* screen = Screen(scaled);
        const QRect area = screen->availableGeometry();
        // The main window as large as its screen lets it be, at the screen's left edge.
        f.window->move(area.topLeft());
        f.window->resize(area.size());
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QCOMPARE(f.window->screen(), screen);

        const std::map<QString, std::function<void()>> open = {
            {QStringLiteral("setup"), [&] { f.window->mnuSetupClick(); }},
            {QStringLiteral("log window"), [&] { f.window->mnuDisplayLogClick(); }},
            {QStringLiteral("reference window"),
             [&] { f.window->findChild<QAction*>(QStringLiteral("mnuCounty"))->trigger(); }},
            {QStringLiteral("edit contact"), [&] { f.window->EditContact(0); }},
            {QStringLiteral("about"), [&] { f.window->mnuAboutClick(); }}};
        const TOpened opened = OpenDialog(open.at(dialog));
        QVERIFY2(area.contains(opened.frame), qPrintable(QStringLiteral("%1,%2 %3x%4 on %5x%6")
                                                             .arg(opened.frame.x())
                                                             .arg(opened.frame.y())
                                                             .arg(opened.frame.width())
                                                             .arg(opened.frame.height())
                                                             .arg(area.width())
                                                             .arg(area.height())));
        QVERIFY2(opened.unreachable.isEmpty(), qPrintable(opened.unreachable.join(',')));
        QVERIFY2(opened.clipped.isEmpty(), qPrintable(opened.clipped.join(',')));
    }

    // A dialog whose fields scroll keeps its order of Tab: a new log is set up with the keyboard alone at a
    // scale factor of 2 as at 1.
    void ScrolledDialogByKeyboard_data()
    {
        QTest::addColumn<bool>("scaled");
        QTest::newRow("scale 1") << false;
        QTest::newRow("scale 2") << true;
    }

    void ScrolledDialogByKeyboard()
    {
        QFETCH(bool, scaled);
        TAppFixture f;
        const QRect area = Screen(scaled)->availableGeometry();
        f.window->move(area.topLeft());
        f.window->resize(area.size());
        f.window->show();
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        bool scrolled = false;
        TAppFixture::OnNextModal([&scrolled](QDialog* d) {
            QVERIFY(QTest::qWaitFor([d] { return QApplication::activeWindow() == d; }));
            scrolled = d->findChild<QScrollArea*>() != nullptr;
            const auto type = [](const QString& text) {
                QTest::keyClicks(QApplication::focusWidget(), text);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            };
            type(QStringLiteral("Sprint"));
            type(QStringLiteral("SSB"));
            type(QString());
            type(QString());
            for (const char* text : {"N0CALL", "Pat", "Smith", "1 Main St", "Tucson", "AZ", "85701"}) {
                type(QString::fromLatin1(text));
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(scrolled, scaled);
        QCOMPARE(f.prompts.Messages(), QStringList());
        QVERIFY(f.window->HasCurrentLog());
        QCOMPARE(f.window->Mysettings().TableName,
                 QStringLiteral("N0CALL_%1_Sprint").arg(f.window->Now().date().year()));
        QCOMPARE(f.window->Mysettings().Postal, QStringLiteral("85701"));
    }

    // The main window opens on its screen at a usable size, whatever was saved.
    void SavedPlaceAndSize_data()
    {
        QTest::addColumn<QStringList>("saved");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("a size saved at scale 2")
            << QStringList{"Left=0", "Top=0", "Width=512", "Height=384"} << QSize(820, 620);
        QTest::newRow("left of the screen, larger than it")
            << QStringList{"Left=-50", "Top=-20", "Width=1100", "Height=900"} << QSize();
        QTest::newRow("past the right edge")
            << QStringList{"Left=900", "Top=700", "Width=900", "Height=650"} << QSize(900, 650);
        QTest::newRow("nothing saved") << QStringList{} << QSize();
    }

    void SavedPlaceAndSize()
    {
        QFETCH(QStringList, saved);
        QFETCH(QSize, expected);
        TAppFixture f(saved);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        const QRect area = Screen(false)->availableGeometry();
        QVERIFY2(area.contains(f.window->frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(f.window->frameGeometry().x())
                                .arg(f.window->frameGeometry().y())
                                .arg(f.window->frameGeometry().width())
                                .arg(f.window->frameGeometry().height())));
        QVERIFY(f.window->width() >= 820 && f.window->height() >= 620);
        if (expected.isValid()) {
            QCOMPARE(f.window->size(), expected);
        }
    }
};

VANTREL_TEST(TestWindowFit)
#include "tst_WindowFit.moc"
