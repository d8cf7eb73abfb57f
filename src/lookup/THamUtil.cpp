#include "THamUtil.h"

#include "data/Errors.h"
#include "data/MyFunc.h"
#include "data/Prompts.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

// The low eight bits of a number truncated toward zero, as a locator position takes it. Values that are
// not finite give 0.
int LowByte(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 1e15) {
        return 0;
    }
    return int(static_cast<long long>(std::trunc(value)) & 0xFF);
}

// Letters count from A as 0, digits by their value.
long double LocatorValue(QChar c)
{
    return c.isDigit() ? c.unicode() - '0' : c.unicode() - 'A';
}

// Fractional year in radians for a day of the year and an hour.
double FractionalYear(int day, double hour = 0)
{
    return 2 * kPi / 365 * (day - 1 + hour / 24);
}

// Equation of time in minutes.
double EquationOfTime(double gamma)
{
    return 229.18 * (0.000075 + 0.001868 * std::cos(gamma) - 0.032077 * std::sin(gamma) -
                     0.014615 * std::cos(2 * gamma) - 0.040849 * std::sin(2 * gamma));
}

// Solar declination in radians.
double Declination(double gamma)
{
    return 0.006918 - 0.399912 * std::cos(gamma) + 0.070257 * std::sin(gamma) -
           0.006758 * std::cos(2 * gamma) + 0.000907 * std::sin(2 * gamma);
}

// Hour angle of sunrise in degrees for a latitude in radians; not a number when the sun stays up or
// down all day.
double SunriseHourAngle(double latitude, double gamma)
{
    const double decl = Declination(gamma);
    return THamUtil::RadToDeg(
        std::acos(std::cos(THamUtil::DegToRad(90.833)) / (std::cos(latitude) * std::cos(decl)) -
                  std::tan(latitude) * std::tan(decl)));
}

// Minutes after 0:00 UTC of sunrise (sign -1) or sunset (sign +1): a first pass on the day gives the hour
// at which the second pass evaluates the sun's position.
double RiseOrSet(double west, double latitude, int day, int sign)
{
    const double gamma1 = FractionalYear(sign > 0 ? day + 1 : day);
    const double first =
        (west + sign * SunriseHourAngle(latitude, gamma1)) * 4 + 720 - EquationOfTime(gamma1);
    if (!std::isfinite(first)) {
        return first;
    }
    const double gamma2 = FractionalYear(day, std::trunc(first / 60));
    return (west + sign * SunriseHourAngle(latitude, gamma2)) * 4 + 720 - EquationOfTime(gamma2);
}

QDateTime MinutesAfterMidnight(const QDate& date, double minutes)
{
    if (!std::isfinite(minutes)) {
        return QDateTime();
    }
    return QDateTime(date, QTime(0, 0), Qt::UTC).addSecs(static_cast<qint64>(std::trunc(minutes)) * 60);
}

} // namespace

THamUtil::THamUtil(IPrompts& prompts, QWidget* window) : fPrompts(prompts), fWindow(window) {}

double THamUtil::DegToRad(double value)
{
    return kPi * value / 180;
}

double THamUtil::RadToDeg(double value)
{
    return 180 * value / kPi;
}

LatLon THamUtil::LocatorToLatLong(const QString& value) const
{
    static const QRegularExpression pattern(QStringLiteral("\\A[A-R]{2}[0-9]{2}[A-X]{2}\\z"));
    QString locator = value.toUpper();
    const qsizetype length = CharCount(locator);
    if (length < 4) {
        locator = QStringLiteral("AA00AA");
    } else if (length < 6) {
        locator += QString(6 - length, QLatin1Char('L'));
    }
    LatLon result;
    if (!pattern.match(locator).hasMatch()) {
        ShowCenteredMessage(fPrompts, fWindow,
                            locator + QStringLiteral(" is not a valid Maidenhead grid locator"),
                            MsgKind::Warning, MsgButton::OK);
        return result;
    }
    // The two small terms put the point at the centre of the subsquare.
    const long double longitude = 20 * LocatorValue(locator[0]) + 2 * LocatorValue(locator[2]) +
                                  LocatorValue(locator[4]) / 12 + 1.0L / 24 - 180;
    const long double latitude = 10 * LocatorValue(locator[1]) - 90 + LocatorValue(locator[3]) +
                                 LocatorValue(locator[5]) / 24 + 1.0L / 48;
    result.Latitude = double(latitude);
    result.Longitude = double(longitude);
    return result;
}

QString THamUtil::LatLongToLocator(const LatLon& value) const
{
    return LatLongToLocator(value.Latitude, value.Longitude);
}

QString THamUtil::LatLongToLocator(double latitude, double longitude) const
{
    double a = longitude + 180;
    double c = latitude + 90;
    const double f1 = std::trunc(a / 20);
    const double f2 = std::trunc(c / 10);
    a = a - 20 * f1;
    c = c - 10 * f2;
    const double s1 = std::trunc(a / 2);
    const double s2 = std::trunc(c);
    a = a - 2 * s1;
    c = c - s2;
    const double x1 = std::trunc(a * 12);
    const double x2 = std::trunc(c * 24);
    QString result;
    result += QChar('A' + LowByte(f1));
    result += QChar('A' + LowByte(f2));
    result += QChar('0' + LowByte(s1));
    result += QChar('0' + LowByte(s2));
    result += QChar('A' + LowByte(x1));
    result += QChar('A' + LowByte(x2));
    return result;
}

THamUtil::TArc THamUtil::Arc(const LatLon& a, const LatLon& b)
{
    TArc arc{DegToRad(a.Latitude), DegToRad(a.Longitude), DegToRad(b.Latitude), DegToRad(b.Longitude), false};
    arc.same = arc.lat1 == arc.lat2 && arc.lon1 == arc.lon2;
    return arc;
}

double THamUtil::CentralAngle(const TArc& arc)
{
    double g = std::cos(arc.lon1 - arc.lon2) * std::cos(arc.lat1) * std::cos(arc.lat2) +
               std::sin(arc.lat1) * std::sin(arc.lat2);
    // Rounding can carry g just past +-1 for points very close together or nearly opposite; the square
    // root below would then give no number at all.
    g = std::clamp(g, -1.0, 1.0);
    double t = std::atan(std::fabs(std::sqrt(1 - g * g) / g));
    if (g < 0) {
        t = kPi - t;
    }
    return t;
}

double THamUtil::Distance(const QString& a, const QString& b) const
{
    const LatLon to = LocatorToLatLong(b);
    const LatLon from = LocatorToLatLong(a);
    return Distance(from, to);
}

double THamUtil::Distance(const LatLon& a, const LatLon& b) const
{
    const TArc arc = Arc(a, b);
    return arc.same ? 0 : CentralAngle(arc) * kEarthRadiusKm;
}

double THamUtil::Azimuth(const QString& a, const QString& b) const
{
    const LatLon to = LocatorToLatLong(b);
    const LatLon from = LocatorToLatLong(a);
    return Azimuth(from, to);
}

double THamUtil::Azimuth(const LatLon& a, const LatLon& b) const
{
    const TArc arc = Arc(a, b);
    if (arc.same) {
        return 0;
    }
    const double t = CentralAngle(arc);
    const double o = std::sin(arc.lon2 - arc.lon1) * std::cos(arc.lat2) * std::cos(arc.lat1);
    const double e = std::sin(arc.lat2) - std::sin(arc.lat1) * std::cos(t);
    double z = std::atan(std::fabs(o / e));
    // From a pole (or to the antipode) every direction is the same: no number comes out of 0 / 0.
    if (std::isnan(z)) {
        z = 0;
    }
    if (e < 0) {
        z = kPi - z;
    }
    if (o < 0) {
        z = -z;
    }
    if (z < 0) {
        z = z + 2 * kPi;
    }
    return RadToDeg(z);
}

double THamUtil::DMStoReal(const QString& deg, const QString& min, const QString& sec) const
{
    auto number = [](const QString& text, bool whole) {
        bool ok = false;
        const double value = whole ? double(text.trimmed().toInt(&ok)) : text.trimmed().toDouble(&ok);
        if (!ok) {
            throw EVantrel(QStringLiteral("'%1' is not a valid number").arg(text));
        }
        return value;
    };
    const double degrees = number(deg.mid(1), true);
    const double result = (number(min, true) + number(sec, false) / 60) / 60 + degrees;
    const QChar hemisphere = deg.isEmpty() ? QChar() : deg[0];
    return hemisphere == 'S' || hemisphere == 'W' ? -result : result;
}

Numbers THamUtil::Num(double x) const
{
    Numbers result;
    const double whole = std::trunc(x);
    result.ip = std::isfinite(whole) ? std::int32_t(std::clamp(whole, -2147483648.0, 2147483647.0)) : 0;
    result.fp = x - result.ip;
    return result;
}

QString THamUtil::RealtoDMS(double value) const
{
    // Rounded to hundredths of a second first, so that 59.999 seconds carries into the next minute.
    const long long total = std::llround(std::fabs(value) * 360000);
    const long long degrees = total / 360000;
    const long long minutes = total % 360000 / 6000;
    const double seconds = double(total % 6000) / 100;
    return QStringLiteral("%1-%2-%3").arg(degrees).arg(minutes).arg(seconds, 0, 'f', 2);
}

void THamUtil::CalculateSolarTimes(double dLatitude, double dLongitude, const QDateTime& dtDesiredDate,
                                   QDateTime& dtSunrise, QDateTime& dtSolarNoon, QDateTime& dtSunset) const
{
    // The formulas take longitude positive to the west.
    const double west = -dLongitude;
    double latitude = dLatitude;
    if (latitude >= -90 && latitude < -89.8) {
        latitude = -89.8;
    } else if (latitude > 89.8 && latitude <= 90) {
        latitude = 89.8;
    }
    const double phi = DegToRad(latitude);
    const QDate date = dtDesiredDate.date();
    const int day = date.dayOfYear();

    const double sunrise = RiseOrSet(west, phi, day, -1);
    const double noon = west * 4 + 720 - EquationOfTime(FractionalYear(day, std::trunc(west / 15 + 12)));
    const double sunset = RiseOrSet(west, phi, day, +1);

    dtSunrise = MinutesAfterMidnight(date, sunrise);
    dtSolarNoon = MinutesAfterMidnight(date, noon);
    dtSunset = MinutesAfterMidnight(date, sunset);
}
