#pragma once

#include <QString>

// The configuration of the current event log: one `config` row held in memory. Passwords are kept in
// their encoded form (EncodeText); the setup dialog decodes them for display.
struct TMysettings
{
    QString QRZXMLid;
    QString QRZXMLpass;
    QString HamQTHid;
    QString HamQTHpass;
    QString BuckPath;
    QString ContestName;
    QString ContestMode;
    QString CallArea;
    QString Chapter;
    QString Callsign;
    QString TenTen;
    QString FirstName;
    QString LastName;
    QString Address;
    QString City;
    QString State;
    QString Postal;
    QString Email;
    QString FCCLocation;
    QString TableName;
    int EntityType = 0;
    int LookupType = 0;
    QString ServerSocket = QStringLiteral("localhost:8818");
    QString epc;
    QString p070;
    QString vp;
    bool QRP = false;
    QString ClubOperators;
    QString Country;
};
