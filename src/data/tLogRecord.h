#pragma once

#include <QString>
#include <QTypeInfo>

// One contact on its way into an event log table.
struct tLogRecord
{
    QString date;
    QString time;
    QString call;
    QString tenten;
    QString vp;
    QString epc;
    QString p070;
    QString mode;
    QString name;
    QString qth;
    QString mycounty;
    QString uscounty;
    QString comment;
    int dxcc = 0;
    int points = 0;
    int submit_bar = 0;
    int submit_digital = 0;
    int submit_county = 0;
    bool mobile = false;
};

// Its texts can move in memory as bytes, so a long list of records grows without copying them.
Q_DECLARE_TYPEINFO(tLogRecord, Q_RELOCATABLE_TYPE);
