#include "Themes.h"

#include "Colors.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>

namespace Themes {

namespace {

int gMenuPointSize = 0;

struct TColors
{
    const char* window;
    const char* windowText;
    const char* base;
    const char* alternateBase;
    const char* text;
    const char* button;
    const char* buttonText;
    const char* highlight;
    const char* highlightedText;
    const char* disabledText;
    const char* link;
    const char* toolTipBase;
    const char* toolTipText;
    const char* placeholder;
};

struct TTheme
{
    const char* name;
    const char* style;
    const TColors* colors; // null: the style's own palette
    const char* styleSheet;
};

// Light blue windows, white fields, dark blue text.
const TColors kSky{"#d6e8f7", "#10263d", "#ffffff", "#eaf3fb", "#10263d", "#bcd7ef", "#10263d",
                   "#2f6fa8", "#ffffff", "#6d7f92", "#1f5fa0", "#ffffe1", "#000000", "#6d7f92"};
// Dark grey with light grey text: a dim screen for hours of night operating.
const TColors kNight{"#202226", "#d9dce1", "#15171a", "#25282d", "#e3e5e8", "#2d3036", "#e3e5e8",
                     "#3f6ea3", "#ffffff", "#80858d", "#8ab8ff", "#2d3036", "#e3e5e8", "#80858d"};
// Red on black: dark-adapted eyes keep their night vision.
const TColors kRedNight{"#120404", "#ff7b6b", "#080101", "#1c0707", "#ff8a7a", "#2a0a0a", "#ff8a7a",
                        "#7d1b14", "#ffd7d0", "#a0473d", "#ffa090", "#2a0a0a", "#ff8a7a", "#a0473d"};
// White and yellow on black, strong focus colours.
const TColors kHighContrast{"#000000", "#ffffff", "#000000", "#101010", "#ffffff", "#000000", "#ffff00",
                            "#00ffff", "#000000", "#c0c0c0", "#ffff00", "#000000", "#ffffff", "#c0c0c0"};

// The high-contrast theme outlines the controls, whose faces are as black as the window.
const char* const kHighContrastSheet =
    "QPushButton, QComboBox, QLineEdit, QSpinBox, QToolButton { border: 1px solid #ffffff; }"
    "QPushButton { padding: 3px 12px; min-width: 48px; }"
    "QComboBox, QLineEdit { padding: 1px 3px; }"
    "QPushButton:focus, QComboBox:focus, QLineEdit:focus { border: 2px solid #ffff00; }"
    "QPushButton:disabled, QComboBox:disabled, QLineEdit:disabled { border: 1px solid #a0a0a0; }";

// Fusion draws the frames of fields and buttons, and the boxes of check boxes and radio buttons, in
// shades of the window colour: on a dark window they vanish, and on the light ones they are faint. This
// style draws them again in a colour that stands out from both the window and the field, and draws a
// tick into a ticked box and a dot into a marked radio button.
class TThemeStyle : public QProxyStyle
{
public:
    TThemeStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        switch (element) {
        case PE_FrameLineEdit:
            DrawEdge(option, painter, option->rect);
            return;
        case PE_PanelButtonCommand:
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            DrawEdge(option, painter, option->rect);
            return;
        case PE_IndicatorCheckBox:
        case PE_IndicatorItemViewItemCheck:
            DrawCheckBox(option, painter);
            return;
        case PE_IndicatorRadioButton:
            DrawRadioButton(option, painter);
            return;
        default:
            QProxyStyle::drawPrimitive(element, option, painter, widget);
        }
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        if (control == CC_ComboBox || control == CC_SpinBox) {
            DrawEdge(option, painter, option->rect);
        }
    }

private:
    static bool Enabled(const QStyleOption* option) { return option->state & State_Enabled; }

    static QColor Edge(const QStyleOption* option)
    {
        const QPalette& p = option->palette;
        return Enabled(option) ? FieldEdge(p) : p.color(QPalette::Disabled, QPalette::WindowText);
    }

    // The frame of a field or button: the edge colour, the selection colour while it has the focus.
    static void DrawEdge(const QStyleOption* option, QPainter* painter, const QRect& rect)
    {
        const bool focus = (option->state & State_HasFocus) && Enabled(option);
        const QColor highlight = option->palette.color(QPalette::Highlight);
        const QColor window = option->palette.color(QPalette::Window);
        QPen pen(focus && ContrastRatio(highlight, window) >= 3.0 ? highlight : Edge(option));
        pen.setWidthF(1.0);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
        painter->restore();
    }

    static void DrawCheckBox(const QStyleOption* option, QPainter* painter)
    {
        const QPalette& p = option->palette;
        const QRectF box = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setPen(QPen(Edge(option), 1.0));
        painter->setBrush(p.brush(Enabled(option) ? QPalette::Active : QPalette::Disabled, QPalette::Base));
        painter->drawRoundedRect(box, 2, 2);
        const QColor mark = p.color(Enabled(option) ? QPalette::Active : QPalette::Disabled, QPalette::Text);
        QPen pen(mark, std::max(1.5, box.width() / 7.0));
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter->setPen(pen);
        const QRectF in =
            box.adjusted(box.width() / 5, box.height() / 5, -box.width() / 5, -box.height() / 5);
        if (option->state & State_NoChange) {
            painter->drawLine(QPointF(in.left(), in.center().y()), QPointF(in.right(), in.center().y()));
        } else if (option->state & State_On) {
            const QPointF tick[] = {{in.left(), in.top() + in.height() * 0.55},
                                    {in.left() + in.width() * 0.4, in.bottom()},
                                    {in.right(), in.top()}};
            painter->drawPolyline(tick, 3);
        }
        painter->restore();
    }

    static void DrawRadioButton(const QStyleOption* option, QPainter* painter)
    {
        const QPalette& p = option->palette;
        const QRectF ring = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setPen(QPen(Edge(option), 1.0));
        painter->setBrush(p.brush(Enabled(option) ? QPalette::Active : QPalette::Disabled, QPalette::Base));
        painter->drawEllipse(ring);
        if (option->state & State_On) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(
                p.color(Enabled(option) ? QPalette::Active : QPalette::Disabled, QPalette::Text));
            const qreal inset = ring.width() * 0.28;
            painter->drawEllipse(ring.adjusted(inset, inset, -inset, -inset));
        }
        painter->restore();
    }
};

const TTheme kThemes[] = {
    {"Fusion", "Fusion", nullptr, ""}, {"High Contrast", "Fusion", &kHighContrast, kHighContrastSheet},
    {"Night", "Fusion", &kNight, ""},  {"Red Night", "Fusion", &kRedNight, ""},
    {"Sky", "Fusion", &kSky, ""},      {"Windows", "Windows", nullptr, ""}};

const TTheme* Find(const QString& name)
{
    for (const TTheme& theme : kThemes) {
        if (name == QLatin1String(theme.name)) {
            return &theme;
        }
    }
    return nullptr;
}

QPalette MakePalette(const TColors& c)
{
    QPalette p;
    auto set = [&p](QPalette::ColorRole role, const char* color) {
        p.setColor(QPalette::All, role, QColor(QLatin1String(color)));
    };
    set(QPalette::Window, c.window);
    set(QPalette::WindowText, c.windowText);
    set(QPalette::Base, c.base);
    set(QPalette::AlternateBase, c.alternateBase);
    set(QPalette::Text, c.text);
    set(QPalette::Button, c.button);
    set(QPalette::ButtonText, c.buttonText);
    set(QPalette::BrightText, c.highlightedText);
    set(QPalette::Highlight, c.highlight);
    set(QPalette::HighlightedText, c.highlightedText);
    set(QPalette::Link, c.link);
    set(QPalette::LinkVisited, c.link);
    set(QPalette::ToolTipBase, c.toolTipBase);
    set(QPalette::ToolTipText, c.toolTipText);
    set(QPalette::PlaceholderText, c.placeholder);
    // Shades for frames and bevels, drawn from the window colour.
    const QColor window(QLatin1String(c.window));
    const bool dark = window.lightness() < 128;
    p.setColor(QPalette::Light, dark ? window.lighter(180) : window.lighter(115));
    p.setColor(QPalette::Midlight, dark ? window.lighter(140) : window.lighter(107));
    p.setColor(QPalette::Mid, dark ? window.lighter(120) : window.darker(130));
    p.setColor(QPalette::Dark, dark ? window.darker(150) : window.darker(160));
    p.setColor(QPalette::Shadow, QColor(Qt::black));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, QColor(QLatin1String(c.disabledText)));
    }
    p.setColor(QPalette::Disabled, QPalette::Base, window);
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(QLatin1String(c.disabledText)));
    return p;
}

} // namespace

QColor FieldEdge(const QPalette& palette)
{
    // From the text colour toward the window colour, as far as both the window and the field inside
    // still set the edge off by a ratio of 3.5.
    const QColor text = palette.color(QPalette::Active, QPalette::Text);
    const QColor window = palette.color(QPalette::Active, QPalette::Window);
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    QColor edge = text;
    for (int step = 1; step <= 20; ++step) {
        const double t = step / 20.0;
        const QColor mixed = QColor::fromRgbF(float(text.redF() + (window.redF() - text.redF()) * t),
                                              float(text.greenF() + (window.greenF() - text.greenF()) * t),
                                              float(text.blueF() + (window.blueF() - text.blueF()) * t));
        if (ContrastRatio(mixed, window) < 3.5 || ContrastRatio(mixed, base) < 3.5) {
            break;
        }
        edge = mixed;
    }
    return edge;
}

QStringList Names()
{
    QStringList names;
    for (const TTheme& theme : kThemes) {
        names << QString::fromLatin1(theme.name);
    }
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names;
}

bool IsTheme(const QString& name)
{
    return Find(name) != nullptr;
}

QPalette Palette(const QString& name)
{
    const TTheme* theme = Find(name);
    if (!theme) {
        theme = Find(kDefault);
    }
    if (theme->colors) {
        return MakePalette(*theme->colors);
    }
    std::unique_ptr<QStyle> style(QStyleFactory::create(QString::fromLatin1(theme->style)));
    QPalette palette = style ? style->standardPalette() : QPalette();
    if (QLatin1String(theme->style) == QLatin1String("Fusion")) {
        // Fusion's own selection blue is too light under white text.
        palette.setColor(QPalette::Active, QPalette::Highlight, QColor(0x2a, 0x68, 0xa8));
        palette.setColor(QPalette::Inactive, QPalette::Highlight, QColor(0x2a, 0x68, 0xa8));
        // Its disabled text nearly vanishes into the window.
        for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
            palette.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x80));
        }
    }
    return palette;
}

QString StyleSheet(const QString& name)
{
    const TTheme* theme = Find(name);
    return theme ? QString::fromLatin1(theme->styleSheet) : QString();
}

QString Apply(const QString& name)
{
    const TTheme* theme = Find(name);
    if (!theme) {
        theme = Find(kDefault);
    }
    // The application owns the style it is given. Fusion is drawn with edges and marks that every palette
    // keeps visible.
    if (QLatin1String(theme->style) == QLatin1String("Fusion")) {
        QApplication::setStyle(new TThemeStyle);
    } else if (QStyle* style = QStyleFactory::create(QString::fromLatin1(theme->style))) {
        QApplication::setStyle(style);
    }
    const QPalette palette = Palette(QString::fromLatin1(theme->name));
    QApplication::setPalette(palette);
    // The platform may give some kinds of widget palettes of their own (a dark menu bar, for one): the
    // theme colours them all alike.
    for (const char* kind : {"QMenuBar", "QMenu", "QAbstractButton", "QToolButton", "QCheckBox",
                             "QRadioButton", "QHeaderView", "QAbstractItemView", "QTabBar", "QLabel",
                             "QGroupBox", "QTextEdit", "QLineEdit", "QComboBox", "QMessageBoxLabel"}) {
        QApplication::setPalette(palette, kind);
    }
    qApp->setStyleSheet(QString::fromLatin1(theme->styleSheet));
    // A new style brings the platform's fonts back: the menus keep their size.
    if (gMenuPointSize > 0) {
        SetMenuFont(gMenuPointSize);
    }
    return QString::fromLatin1(theme->name);
}

void SetMenuFont(int pointSize)
{
    gMenuPointSize = pointSize;
    QFont font = QApplication::font("QMenu");
    font.setPointSize(pointSize);
    QApplication::setFont(font, "QMenu");
    QApplication::setFont(font, "QMenuBar");
    // Menus made already take the size too.
    for (QWidget* widget : QApplication::allWidgets()) {
        if (qobject_cast<QMenu*>(widget) || qobject_cast<QMenuBar*>(widget)) {
            QFont own = widget->font();
            own.setPointSize(pointSize);
            widget->setFont(own);
        }
    }
}

} // namespace Themes
