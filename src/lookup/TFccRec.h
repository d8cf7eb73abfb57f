#pragma once

#include <QString>

// The result of one call-sign lookup: thirty text fields, empty when not filled. An empty `callsign`
// means that nothing was found.
struct TFccRec
{
    QString usi;
    QString callsign;
    QString licenseID;
    QString firstname;
    QString mi;
    QString lastname;
    QString address;
    QString city;
    QString state;
    QString zipcode;
    QString pobox;
    QString opclass;
    QString prevcall;
    QString status;
    QString grantdate;
    QString expiredate;
    QString cancellationdate;
    QString effdate;
    QString actiondate;
    QString entityname;
    QString tenten;
    QString vp;
    QString county;
    QString latitude;
    QString longitude;
    QString grid;
    QString EPC;
    QString P070;
    QString comments;
    QString country;
};
