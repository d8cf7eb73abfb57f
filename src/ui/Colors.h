#pragma once

#include <QColor>
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
