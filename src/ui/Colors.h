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

// True when text of one colour stays readable on a background of another: their contrast ratio (from the
// relative luminance of each, 1 to 21) is at least 3, the least for labels of normal weight to be read.
inline bool Legible(const QColor& text, const QColor& background)
{
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double a = luminance(text);
    const double b = luminance(background);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05) >= 3.0;
}
