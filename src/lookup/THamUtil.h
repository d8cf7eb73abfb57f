#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

class IPrompts;
class QWidget;

// A position on the earth in degrees, north and east positive. The calculations set only Latitude and
// Longitude.
struct LatLon
{
    double Latitude = 0;
    double Longitude = 0;
    QString County;
    bool Valid = false;
};

// A number split into its integer part and its fractional part.
struct Numbers
{
    std::int32_t ip = 0;
    double fp = 0;
};

// Position calculations of the station: Maidenhead locators and latitude/longitude, great-circle
// distance and initial bearing, degree/minute/second conversion and the times of sunrise, solar noon and
// sunset. It keeps no state of its own; the prompts are only used to warn about an invalid locator.
class THamUtil
{
public:
    // Earth radius used for distances, in kilometres.
    static constexpr double kEarthRadiusKm = 6367.0;

    explicit THamUtil(IPrompts& prompts, QWidget* window = nullptr);

    // The centre of the locator's subsquare. A locator shorter than four characters counts as AA00AA;
    // a four- or five-character one is completed with "L" (the middle subsquare). An invalid locator
    // (wrong letters or digits, more than six characters) raises a warning and gives latitude 0,
    // longitude 0.
    LatLon LocatorToLatLong(const QString& value) const;
    // The six-character locator (upper case) of a position. Values outside the globe are not checked:
    // latitude 90 or longitude 180 give an "S" field.
    QString LatLongToLocator(const LatLon& value) const;
    QString LatLongToLocator(double latitude, double longitude) const;

    static double DegToRad(double value);
    static double RadToDeg(double value);

    // Great-circle distance in kilometres; on locators from a (own station) to b (the other station).
    double Distance(const QString& a, const QString& b) const;
    double Distance(const LatLon& a, const LatLon& b) const;
    // Initial bearing from a to b in degrees from north, 0 to below 360; 0 for two equal positions.
    double Azimuth(const QString& a, const QString& b) const;
    double Azimuth(const LatLon& a, const LatLon& b) const;

    // Degrees from a hemisphere letter followed by whole degrees ("W072"), whole minutes and decimal
    // seconds; S and W give a negative result. Throws EVantrel when a part is not a number.
    double DMStoReal(const QString& deg, const QString& min, const QString& sec) const;
    Numbers Num(double x) const;
    // Degrees, minutes and seconds of the absolute value joined by "-": "72-30-0.00".
    QString RealtoDMS(double value) const;

    // Sunrise, solar noon and sunset in UTC on the date of dtDesiredDate, to the whole minute. Where the
    // sun does not rise or set on that day, sunrise and sunset are invalid date-times; solar noon is
    // always given.
    void CalculateSolarTimes(double dLatitude, double dLongitude, const QDateTime& dtDesiredDate,
                             QDateTime& dtSunrise, QDateTime& dtSolarNoon, QDateTime& dtSunset) const;

private:
    // Two positions in radians; same when they are exactly equal.
    struct TArc
    {
        double lat1;
        double lon1;
        double lat2;
        double lon2;
        bool same;
    };
    static TArc Arc(const LatLon& a, const LatLon& b);
    // The central angle between the two positions in radians.
    static double CentralAngle(const TArc& arc);

    IPrompts& fPrompts;
    QWidget* fWindow;
};
