#pragma once

#include "common/TTestHome.h"

#include "data/TDM.h"
#include "data/TMysettings.h"
#include "data/tLogRecord.h"

#include <QDir>
#include <QFile>
#include <QList>

// A work folder with a logs database holding one event log, and the configuration record of that log.
class TProcessFixture
{
public:
    // The own station of every log here: an Oregon member processing its log.
    explicit TProcessFixture(const QString& contestName)
    {
        home.PrepareWorkFolder();
        dm.OpenLogs(home.Work() + QStringLiteral("logs.db"));
        dm.CreateConfig();
        dm.OpenConfig(home.Work() + QStringLiteral("config.db"));
        own.ContestName = contestName;
        own.Callsign = QStringLiteral("W7VNT");
        own.TenTen = QStringLiteral("54321");
        own.epc = QStringLiteral("321");
        own.p070 = QStringLiteral("2468");
        own.EntityType = 2;
        own.CallArea = QStringLiteral("7");
        own.Chapter = QStringLiteral("Oregon Trail");
        own.FirstName = QStringLiteral("Rex");
        own.LastName = QStringLiteral("Fielding");
        own.Address = QStringLiteral("12 Main St");
        own.City = QStringLiteral("Salem");
        own.State = QStringLiteral("OR");
        own.Postal = QStringLiteral("97301");
        own.Email = QStringLiteral("rex@example.org");
        own.TableName = QStringLiteral("W7VNT_2024_") + QString(contestName).replace(' ', '_');
        dm.CreateNewLogTable(own.TableName);
        dm.ConfigAddRecord(own);
    }

    // Ten contacts that meet the rules of the contest files: every mode category and RST, a state,
    // countries in and out of the country table, an empty qth, empty, short and long Ten-Ten numbers,
    // VP/EPC/070 numbers, a long and an accented name, a time without a colon, portable calls (one whose
    // only digit is last), a mode in lower case and a call logged twice.
    static QList<tLogRecord> SampleContacts()
    {
        struct TRow
        {
            const char* date;
            const char* time;
            const char* call;
            const char* tenten;
            const char* vp;
            const char* epc;
            const char* p070;
            const char* mode;
            const char* name;
            const char* qth;
            const char* uscounty;
        };
        const TRow rows[] = {
            {"2024-02-03", "17:05", "K1ABC", "12345", "", "", "", "SSB", "Bob", "MA", "Suffolk"},
            {"2024-02-03", "17:09", "G3XYZ", "678", "", "1234", "", "CW", "Nigel", "England", ""},
            {"2024-02-03", "1812", "DL1ABC", "", "", "", "456", "RTTY", "Hans", "Germany", ""},
            {"2024-02-03", "18:20", "S1A", "123456", "", "", "", "FT8", "Roy", "Sealand", ""},
            {"2024-02-03", "18:31", "KP/W3", "", "", "", "", "", "Sam", "", ""},
            {"2024-02-03", "19:02", "VE3ABC", "4444", "77", "5555", "12345", "FM", "Christopher Columbus",
             "Canada", ""},
            {"2024-02-03", "19:15", "W1AW/7", "99", "", "", "", "AM", "Hiram", "CT", "Hartford"},
            {"2024-02-04", "00:01", "k9xyz", "1", "", "", "", "ssb", "José Müller", "OR", ""},
            {"2024-02-04", "00:07", "K1ABC", "12345", "", "", "", "SSB", "Bob", "MA", "Suffolk"},
            {"2024-02-04", "00:15", "N5ZZ", "", "", "", "", "CW", "O'Neil", "TX", "Harris"},
        };
        QList<tLogRecord> records;
        for (const TRow& r : rows) {
            tLogRecord rec;
            rec.date = QString::fromUtf8(r.date);
            rec.time = QString::fromUtf8(r.time);
            rec.call = QString::fromUtf8(r.call);
            rec.tenten = QString::fromUtf8(r.tenten);
            rec.vp = QString::fromUtf8(r.vp);
            rec.epc = QString::fromUtf8(r.epc);
            rec.p070 = QString::fromUtf8(r.p070);
            rec.mode = QString::fromUtf8(r.mode);
            rec.name = QString::fromUtf8(r.name);
            rec.qth = QString::fromUtf8(r.qth);
            rec.uscounty = QString::fromUtf8(r.uscounty);
            records << rec;
        }
        return records;
    }

    void AddSampleContacts()
    {
        for (const tLogRecord& rec : SampleContacts()) {
            dm.LogAddRecord(rec, own.TableName);
        }
    }

    // A folder of its own for the files of a run, ending in "/".
    QString OutputFolder(const QString& name) const
    {
        const QString path = home.Root() + QStringLiteral("/out/") + name + QLatin1Char('/');
        QDir().mkpath(path);
        return path;
    }

    static QByteArray ReadFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    TTestHome home;
    TDM dm;
    TMysettings own;
};
