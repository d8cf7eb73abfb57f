#include "common/TestRegistry.h"
#include "gui/common/Colors.h"
#include "gui/common/Themes.h"
#include "gui/links/TLinksStrip.h"

#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

namespace {

// The colour most pixels of an area have: the background the text is drawn on.
QColor Background(const QImage& image, const QRect& area)
{
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            ++counts[image.pixel(x, y)];
        }
    }
    QRgb most = 0;
    int best = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > best) {
            best = it.value();
            most = it.key();
        }
    }
    return QColor(most);
}

// The greatest contrast of a pixel of an area with its background: what the eye gets of the text.
double TextContrast(const QImage& image, const QRect& area)
{
    const QColor background = Background(image, area);
    double most = 1.0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            most = std::max(most, ContrastRatio(QColor(image.pixel(x, y)), background));
        }
    }
    return most;
}

} // namespace

// The links strip: a label per link with its state, the reason in the tip, a click for its settings.
class TestLinksStrip : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Themes::Apply(Themes::kDefault); }

    void StateAndReason()
    {
        TLinksStrip strip;
        QLabel* rig = strip.findChild<QLabel*>(QStringLiteral("lblLinkRig"));
        QVERIFY(rig);
        QCOMPARE(rig->text(), QStringLiteral(" Rig: off "));
        // A reason from another program is shown as written, never as markup.
        strip.SetState(TLink::Rig, TLinkState::Failing,
                       QStringLiteral("No connection to <b>rigctld</b> & co"));
        QCOMPARE(rig->text(), QStringLiteral(" Rig: failing "));
        QVERIFY(rig->font().bold());
        QVERIFY2(
            rig->toolTip().contains(QStringLiteral("No connection to &lt;b&gt;rigctld&lt;/b&gt; &amp; co")),
            qPrintable(rig->toolTip()));
        strip.SetState(TLink::Rig, TLinkState::Connected, QStringLiteral("28.40000 MHz"));
        QCOMPARE(rig->text(), QStringLiteral(" Rig: connected "));
        QVERIFY(!rig->font().bold());
        QCOMPARE(strip.Reason(TLink::Rig), QStringLiteral("28.40000 MHz"));
        QCOMPARE(strip.findChild<QLabel*>(QStringLiteral("lblLinkWSJTX"))->text(),
                 QStringLiteral(" WSJT-X: off "));
    }

    void ClickAsksForSettings()
    {
        TLinksStrip strip;
        strip.show();
        QSignalSpy spy(&strip, &TLinksStrip::LinkClicked);
        QTest::mouseClick(strip.Label(TLink::Fldigi), Qt::LeftButton);
        QTest::mouseClick(strip.Label(TLink::Lookup), Qt::LeftButton);
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy[0][0].value<TLink>(), TLink::Fldigi);
        QCOMPARE(spy[1][0].value<TLink>(), TLink::Lookup);
    }

    // Every state stays readable in every theme, measured on the label as drawn (4.5:1 at least), also
    // after the theme changes under a strip already shown.
    void ReadableInEveryTheme()
    {
        TLinksStrip strip;
        strip.show();
        for (const QString& theme : Themes::Names()) {
            Themes::Apply(theme);
            QApplication::processEvents();
            for (const TLinkState state :
                 {TLinkState::Off, TLinkState::Listening, TLinkState::Connected, TLinkState::Failing}) {
                strip.SetState(TLink::Wsjtx, state, QStringLiteral("reason"));
                const QImage image = strip.grab().toImage();
                const QRect area = strip.Label(TLink::Wsjtx)->geometry().adjusted(2, 2, -2, -2);
                const double contrast = TextContrast(image, area);
                QVERIFY2(
                    contrast >= 4.5,
                    qPrintable(QStringLiteral("%1, %2: %3").arg(theme, LinkStateName(state)).arg(contrast)));
            }
        }
    }
};

VANTREL_TEST(TestLinksStrip)
#include "tst_LinksStrip.moc"
