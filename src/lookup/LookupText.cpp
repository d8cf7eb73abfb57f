#include "LookupText.h"

#include "THamUtil.h"

#include <QStringList>
#include <cmath>

QString LookupText(const TFccRec& rec)
{
    const QStringList lines = {
        rec.callsign,
        rec.entityname,
        rec.firstname + ' ' + rec.lastname,
        QString(),
        rec.address,
        rec.city + ' ' + rec.state + ' ' + rec.zipcode,
        rec.county + QStringLiteral(" County   Grid: ") + rec.grid,
        rec.country,
        QString(),
        QStringLiteral("Ten-Ten: ") + rec.tenten,
        QStringLiteral("       VP: ") + rec.vp,
        QStringLiteral("    EPC: ") + rec.EPC,
        QStringLiteral("    070: ") + rec.P070,
    };
    return lines.join('\n');
}

QString FormatBearingNumber(double value, const QLocale& locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(plain.numberOptions() | QLocale::OmitGroupSeparator);
    if (!std::isfinite(value)) {
        return plain.toString(value);
    }
    // Below 1000 one decimal keeps the fewer digits; from 1000 on, four significant digits do.
    if (std::fabs(value) < 1000) {
        return plain.toString(value, 'f', 1);
    }
    const double scale = std::pow(10.0, std::floor(std::log10(std::fabs(value))) - 3);
    const double rounded = std::round(value / scale) * scale;
    if (std::fabs(rounded) >= 10000) {
        return plain.toString(value, 'E', 3);
    }
    return plain.toString(rounded, 'f', 1);
}

QString BearingLine(double azimuth, double distance, const QLocale& locale)
{
    return QStringLiteral("Azimuth: ") + FormatBearingNumber(azimuth, locale) +
           QStringLiteral("°    Distance: ") + FormatBearingNumber(distance, locale) + QStringLiteral(" KM");
}

QString BearingLine(const THamUtil& util, const QString& own, const QString& grid, const QLocale& locale)
{
    const double distance = util.Distance(own, grid);
    const double azimuth = util.Azimuth(own, grid);
    return BearingLine(azimuth, distance, locale);
}
