#pragma once

#include <QColor>
#include <algorithm>
#include <cmath>
#include <optional>

// A colour as the settings file stores it: 0x00BBGGRR for an RGB colour (red in the low byte). System
// colours carry 0xFF in the high byte and have no RGB value of their own: the platform's colour stays.
inline std::optional<QColor> ColorFromSetting(int value)
{
    const auto v = static_cast<quint32>(value);
    if ((v & 0xFF000000u) != 0) {
        return std::nullopt;
    }
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

// The stored form of an RGB colour.
inline int ColorToSetting(const QColor& color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

// The contrast ratio of two colours, from the relative luminance of each: 1 (the same) to 21 (black and
// white). Text needs 4.5 to be read comfortably, the edge of a control 3 to be seen.
inline double ContrastRatio(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// True when text of one colour stays readable on a background of another: their contrast ratio is at
// least 3, the least for labels of normal weight to be read.
inline bool Legible(const QColor& text, const QColor& background)
{
    return ContrastRatio(text, background) >= 3.0;
}

// A colour of the same hue as the one wanted that stands out from a background by at least a contrast
// ratio: made lighter on a dark background, darker on a light one, only as far as needed.
inline QColor LegibleOn(const QColor& wanted, const QColor& background, double ratio)
{
    const bool darkBackground = background.lightnessF() < 0.5;
    QColor color = wanted.toHsl();
    for (int step = 0; step < 100 && ContrastRatio(color, background) < ratio; ++step) {
        const float lightness = color.lightnessF();
        color.setHslF(color.hslHueF(), color.hslSaturationF(),
                      darkBackground ? std::min(1.0f, lightness + 0.01f) : std::max(0.0f, lightness - 0.01f));
    }
    return color.toRgb();
}
