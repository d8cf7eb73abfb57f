#pragma once

#include "TFccRec.h"

#include <QLocale>
#include <QString>

class THamUtil;

// The texts of the lookup panel, built from a lookup result without any window.

// The thirteen lines of the lookup text, separated by a single line feed (none after the last line):
// call sign, entity name, first and last name, an empty line, address, city/state/zip, county and grid,
// country, an empty line, then the Ten-Ten, VP, EPC and 070 numbers.
QString LookupText(const TFccRec& rec);

// A bearing or distance figure: four significant digits or one decimal, whichever keeps fewer digits,
// always written with one digit after the locale's decimal separator (45.678 gives "45.7", 1234.56 gives
// "1235.0"); from 10000 on, four significant digits in exponent form ("1.200E+04").
QString FormatBearingNumber(double value, const QLocale& locale = QLocale());

// "Azimuth: <azimuth>°    Distance: <distance> KM".
QString BearingLine(double azimuth, double distance, const QLocale& locale = QLocale());

// The bearing line from the own locator to the station's locator (an empty one counts as AA00AA): the
// distance is computed first, then the azimuth, so an invalid locator warns once in each.
QString BearingLine(const THamUtil& util, const QString& own, const QString& grid,
                    const QLocale& locale = QLocale());
