#include "app/AppFixture.h"
#include "common/TestRegistry.h"
#include "data/TSettings.h"
#include "gui/common/Themes.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace {

// WCAG contrast ratio of two colours (1 to 21).
double Contrast(const QColor& a, const QColor& b)
{
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour most pixels of an image area have: the background the area is drawn on.
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

// The greatest contrast of any pixel of an area with a colour: what the eye gets of text or of a line.
double MostContrast(const QImage& image, const QRect& area, const QColor& against)
{
    double most = 1.0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            most = std::max(most, Contrast(QColor(image.pixel(x, y)), against));
        }
    }
    return most;
}

// The area of a widget that shows its text: inside a label's frame, beside a check box's mark.
QRect TextArea(QWidget* w)
{
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const bool radio = qobject_cast<QRadioButton*>(button);
        return button->style()
            ->subElementRect(radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option,
                             button)
            .intersected(w->rect());
    }
    if (auto* frame = qobject_cast<QFrame*>(w)) {
        return frame->contentsRect();
    }
    return w->rect();
}

QAction* ThemeItem(TAppFixture& f, const QString& name)
{
    for (QAction* action : f.Find<QMenu>("mnuThemes")->actions()) {
        if (QString(action->text()).remove('&') == name) {
            return action;
        }
    }
    return nullptr;
}

QString Ticked(TAppFixture& f)
{
    QStringList ticked;
    for (QAction* action : f.Find<QMenu>("mnuThemes")->actions()) {
        if (action->isChecked()) {
            ticked << QString(action->text()).remove('&');
        }
    }
    return ticked.join(',');
}

} // namespace

// The named themes, the two colour items and the menu font.
class TestThemes : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Themes::Apply(Themes::kDefault); }

    void ThemeList()
    {
        TAppFixture f;
        QStringList captions;
        for (QAction* action : f.Find<QMenu>("mnuThemes")->actions()) {
            QVERIFY(action->isCheckable());
            // Each item carries the theme's name, its first letter marked for the keyboard.
            QCOMPARE(action->text(), '&' + QString(action->text()).remove('&'));
            captions << QString(action->text()).remove('&');
        }
        QCOMPARE(captions, Themes::Names());
        QStringList sorted = captions;
        std::sort(sorted.begin(), sorted.end(),
                  [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        QCOMPARE(captions, sorted);
        for (const char* name : {"Sky", "Windows", "Night", "High Contrast"}) {
            QVERIFY2(captions.contains(QLatin1String(name)), name);
        }
        // A fresh start: Sky, ticked and applied, the colour items disabled.
        QCOMPARE(f.window->ThemeRoom().CurTheme(), QStringLiteral("Sky"));
        QCOMPARE(Ticked(f), QStringLiteral("Sky"));
        QCOMPARE(QApplication::palette().color(QPalette::Window),
                 Themes::Palette("Sky").color(QPalette::Window));
    }

    void ChoosingATheme_data()
    {
        QTest::addColumn<QString>("theme");
        QTest::addColumn<QString>("style");
        for (const QString& name : Themes::Names()) {
            QTest::newRow(qPrintable(name))
                << name
                << (name == QStringLiteral("Windows") ? QStringLiteral("windows") : QStringLiteral("fusion"));
        }
    }

    void ChoosingATheme()
    {
        QFETCH(QString, theme);
        QFETCH(QString, style);
        TAppFixture f;
        // Start from the other side of the colour items' state.
        ThemeItem(f, theme == QStringLiteral("Windows") ? QStringLiteral("Sky") : QStringLiteral("Windows"))
            ->trigger();
        QAction* item = ThemeItem(f, theme);
        QVERIFY(item);
        item->trigger();
        QCOMPARE(f.window->ThemeRoom().CurTheme(), theme);
        QCOMPARE(Ticked(f), theme);
        // A theme with a style sheet runs its style under Qt's style-sheet style.
        QCOMPARE(qApp->styleSheet(), Themes::StyleSheet(theme));
        if (qApp->styleSheet().isEmpty()) {
            // Fusion comes with the program's own edges and marks drawn over it.
            QStyle* shown = QApplication::style();
            if (auto* proxy = qobject_cast<QProxyStyle*>(shown)) {
                shown = proxy->baseStyle();
            }
            QCOMPARE(shown->name(), style);
        }
        QCOMPARE(QApplication::palette().color(QPalette::Base), Themes::Palette(theme).color(QPalette::Base));
        const bool plain = theme == QStringLiteral("Windows");
        QCOMPARE(f.window->findChild<QAction*>(QStringLiteral("mnuForgroundColor"))->isEnabled(), plain);
        QCOMPARE(f.window->findChild<QAction*>(QStringLiteral("mnuBackgroundColor"))->isEnabled(), plain);
        QCOMPARE(f.prompts.Messages(), QStringList());
    }

    // Every theme keeps its text readable: each text colour stands out from the colour it is drawn on.
    void ThemesAreLegible_data()
    {
        QTest::addColumn<QString>("theme");
        for (const QString& name : Themes::Names()) {
            QTest::newRow(qPrintable(name)) << name;
        }
    }

    void ThemesAreLegible()
    {
        QFETCH(QString, theme);
        const QPalette p = Themes::Palette(theme);
        const std::pair<QPalette::ColorRole, QPalette::ColorRole> pairs[] = {
            {QPalette::WindowText, QPalette::Window},         {QPalette::Text, QPalette::Base},
            {QPalette::Text, QPalette::AlternateBase},        {QPalette::ButtonText, QPalette::Button},
            {QPalette::HighlightedText, QPalette::Highlight}, {QPalette::ToolTipText, QPalette::ToolTipBase}};
        for (const auto& [fore, back] : pairs) {
            const double ratio = Contrast(p.color(QPalette::Active, fore), p.color(QPalette::Active, back));
            QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1 on %2: %3").arg(fore).arg(back).arg(ratio)));
        }
        // Disabled text is dimmer, yet still readable on the window.
        const double disabled = Contrast(p.color(QPalette::Disabled, QPalette::WindowText),
                                         p.color(QPalette::Disabled, QPalette::Window));
        QVERIFY2(disabled >= 2.5, qPrintable(QString::number(disabled)));
    }

    // What the operator sees, measured on the drawn pixels of the main window in every theme: each label
    // and check box text stands out from its background by 4.5, the edge of each field from the window
    // around it and from its inside by 3, and a ticked box shows a tick.
    void RenderedContrast_data()
    {
        QTest::addColumn<QString>("theme");
        for (const QString& name : Themes::Names()) {
            QTest::newRow(qPrintable(name)) << name;
        }
    }

    void RenderedContrast()
    {
        QFETCH(QString, theme);
        TAppFixture f;
        f.NewLog(QStringLiteral("N0CALL"), QStringLiteral("Open Season"));
        ThemeItem(f, theme)->trigger();
        f.window->SetUseAutoLook(true);
        f.window->SetOfflineLogging(true);
        for (const char* name : {"lblServerRunning", "lblWSJTXRunning"}) {
            f.Find(name)->show();
        }
        f.Type(QStringLiteral("W1AW"), QStringLiteral("1234"));
        f.window->DoLog();
        f.Edit("txtName")->setText(QStringLiteral("Hiram"));
        f.Find<QLabel>("lblBD")->setText(QStringLiteral("Azimuth: 45.0°    Distance: 120.0 KM"));
        auto* lookup = f.Find<QCheckBox>("cbLookup");
        lookup->setChecked(true);
        f.window->resize(1000, 700);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QApplication::processEvents();

        QStringList faults;
        int texts = 0;
        for (QWidget* w : f.window->findChildren<QWidget*>()) {
            if (!w->isVisible() || !w->isEnabled()) {
                continue;
            }
            const auto* label = qobject_cast<QLabel*>(w);
            const auto* button = qobject_cast<QAbstractButton*>(w);
            const bool mark = qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w);
            if ((label && !label->text().trimmed().isEmpty()) || (mark && !button->text().isEmpty())) {
                const QImage image = w->grab().toImage();
                const QRect area = TextArea(w);
                const QColor back = Background(image, area);
                const double ratio = MostContrast(image, area, back);
                ++texts;
                if (ratio < 4.5) {
                    faults << QStringLiteral("text of %1: %2").arg(w->objectName()).arg(ratio, 0, 'f', 2);
                }
            }
            if (qobject_cast<QLineEdit*>(w) && w->parentWidget()->inherits("QComboBox")) {
                continue;
            }
            if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w)) {
                // The field with two pixels of the window around it.
                const QRect around = w->geometry().adjusted(-2, -2, 2, 2);
                const QImage image = w->parentWidget()->grab(around).toImage();
                const QColor window = QColor(image.pixel(0, image.height() / 2));
                const QColor inside = QColor(image.pixel(image.width() / 2, image.height() - 6));
                const QRect edge(2, 2, w->width(), w->height());
                double best = 1.0;
                for (int x = edge.left(); x <= edge.right(); ++x) {
                    for (int y : {edge.top(), edge.top() + 1, edge.bottom() - 1, edge.bottom()}) {
                        const QColor c(image.pixel(x, y));
                        best = std::max(best, std::min(Contrast(c, window), Contrast(c, inside)));
                    }
                }
                if (best < 3.0) {
                    faults << QStringLiteral("edge of %1: %2").arg(w->objectName()).arg(best, 0, 'f', 2);
                }
            }
        }
        QVERIFY(texts > 20);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral(", "))));

        // The ticked box carries a mark that stands out from the inside of the box.
        QStyleOptionButton option;
        option.initFrom(lookup);
        const QRect box = lookup->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, lookup);
        const QImage ticked = lookup->grab(box).toImage();
        const QRect inside = ticked.rect().adjusted(3, 3, -3, -3);
        const QColor fill = Background(ticked, inside);
        QVERIFY2(MostContrast(ticked, inside, fill) >= 3.0, qPrintable(theme));
        lookup->setChecked(false);
        const QImage empty = lookup->grab(box).toImage();
        QVERIFY2(MostContrast(empty, inside, Background(empty, inside)) < 1.5, qPrintable(theme));
    }

    void AcceleratorMarkInCaption()
    {
        TAppFixture f;
        QAction* night = ThemeItem(f, QStringLiteral("Night"));
        night->setText(QStringLiteral("&Night"));
        night->trigger();
        QCOMPARE(f.window->ThemeRoom().CurTheme(), QStringLiteral("Night"));
        QCOMPARE(Ticked(f), QStringLiteral("Night"));
        QCOMPARE(QApplication::palette().color(QPalette::Window),
                 Themes::Palette("Night").color(QPalette::Window));
    }

    void ThemeSurvivesRestart()
    {
        TTestHome home;
        home.PrepareWorkFolder();
        home.WriteSettings({QStringLiteral("Grid=FN31PR")});
        {
            TScriptedPrompts prompts;
            TfrmMain window(prompts);
            for (QAction* action : window.findChild<QMenu*>(QStringLiteral("mnuThemes"))->actions()) {
                if (QString(action->text()).remove('&') == QStringLiteral("Red Night")) {
                    action->trigger();
                }
            }
            window.close();
        }
        Themes::Apply(Themes::kDefault);
        TScriptedPrompts prompts;
        TfrmMain window(prompts);
        QCOMPARE(window.ThemeRoom().CurTheme(), QStringLiteral("Red Night"));
        QStringList ticked;
        for (QAction* action : window.findChild<QMenu*>(QStringLiteral("mnuThemes"))->actions()) {
            if (action->isChecked()) {
                ticked << QString(action->text()).remove('&');
            }
        }
        QCOMPARE(ticked, QStringList{QStringLiteral("Red Night")});
        QCOMPARE(QApplication::palette().color(QPalette::Window),
                 Themes::Palette("Red Night").color(QPalette::Window));
        QVERIFY(!window.findChild<QAction*>(QStringLiteral("mnuForgroundColor"))->isEnabled());
    }

    void UnknownStoredTheme()
    {
        TTestHome home;
        home.PrepareWorkFolder();
        home.WriteSettings({QStringLiteral("Grid=FN31PR"), QStringLiteral("Theme=Sky, Light")});
        QApplication::setPalette(Themes::Palette("Night"));
        TScriptedPrompts prompts;
        {
            TfrmMain window(prompts);
            QCOMPARE(window.ThemeRoom().CurTheme(), QStringLiteral("Sky"));
            QCOMPARE(QApplication::palette().color(QPalette::Window),
                     Themes::Palette("Sky").color(QPalette::Window));
            QAction* sky = nullptr;
            for (QAction* action : window.findChild<QMenu*>(QStringLiteral("mnuThemes"))->actions()) {
                if (QString(action->text()).remove('&') == QStringLiteral("Sky")) {
                    sky = action;
                }
            }
            QVERIFY(sky && sky->isChecked());
            window.close();
        }
        QCOMPARE(prompts.Messages(), QStringList());
        QCOMPARE(TSettings(home.Work() + QStringLiteral("Vantrel.cfg")).GetSetting(SettingKeys::Theme, ""),
                 QStringLiteral("Sky"));
    }

    void ColourItems()
    {
        TAppFixture f;
        ThemeItem(f, QStringLiteral("Windows"))->trigger();
        auto* fore = f.window->findChild<QAction*>(QStringLiteral("mnuForgroundColor"));
        auto* back = f.window->findChild<QAction*>(QStringLiteral("mnuBackgroundColor"));
        QCOMPARE(fore->shortcut(), QKeySequence(QStringLiteral("F5")));
        QCOMPARE(back->shortcut(), QKeySequence(QStringLiteral("Shift+F5")));
        const QString cfg = f.home.Work() + QStringLiteral("Vantrel.cfg");

        f.prompts.AnswerColor(QColor(0, 0, 255));
        fore->trigger();
        QCOMPARE(f.window->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(f.Find<QRadioButton>("rbUS")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        // Stored at once, in the integer form: red in the lowest byte.
        QCOMPARE(TSettings(cfg).GetSetting(SettingKeys::ForeColor, 0), 0xFF0000);
        // The picker opens on the colour last picked in it: black the first time.
        QCOMPARE(f.prompts.Records().last().value, QStringLiteral("#000000"));

        f.prompts.AnswerColor(QColor(255, 255, 200));
        back->trigger();
        QCOMPARE(f.prompts.Records().last().value, QStringLiteral("#0000ff"));
        QCOMPARE(f.window->palette().color(QPalette::Window), QColor(255, 255, 200));
        QCOMPARE(TSettings(cfg).GetSetting(SettingKeys::Color, 0), 0xC8FFFF);

        // A cancelled picker changes nothing.
        f.prompts.AnswerColor(std::nullopt);
        back->trigger();
        QCOMPARE(f.window->palette().color(QPalette::Window), QColor(255, 255, 200));

        // Another theme colours the window itself; the picked colours stay stored and return with "Windows".
        ThemeItem(f, QStringLiteral("Night"))->trigger();
        QCOMPARE(f.window->palette().color(QPalette::Window),
                 Themes::Palette("Night").color(QPalette::Window));
        QCOMPARE(f.window->palette().color(QPalette::WindowText),
                 Themes::Palette("Night").color(QPalette::WindowText));
        QCOMPARE(TSettings(cfg).GetSetting(SettingKeys::Color, 0), 0xC8FFFF);
        ThemeItem(f, QStringLiteral("Windows"))->trigger();
        QCOMPARE(f.window->palette().color(QPalette::Window), QColor(255, 255, 200));
        QCOMPARE(f.window->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(f.prompts.Pending(), 0);
    }

    void MenuFont()
    {
        TAppFixture f;
        QCOMPARE(f.window->menuBar()->font().pointSize(), 14);
        for (QMenu* menu : f.window->menuBar()->findChildren<QMenu*>()) {
            QCOMPARE(menu->font().pointSize(), 14);
        }
        // Menus made later, such as a context menu, take the size too.
        QMenu later;
        later.ensurePolished();
        QCOMPARE(later.font().pointSize(), 14);
    }
};

VANTREL_TEST(TestThemes)
#include "tst_Themes.moc"
