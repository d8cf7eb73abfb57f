#pragma once

#include "BenchSupport.h"
#include "data/TDM.h"
#include "data/TMysettings.h"
#include "data/tLogRecord.h"

#include <QRandomGenerator>
#include <QString>
#include <algorithm>

// The generated Open Season log the logging, import and start-up benchmarks share: logs.db with the
// `config` table and one log of a given number of contacts, kept in the fixture folder once made.
namespace LogFixture {

inline const QString kTable = QStringLiteral("N0CALL_2026_Open_Season");

// The contacts that end the log share a prefix that no earlier one has: the worst case for the dupe
// list, thousands of matches that all lie at the end of the table.
inline int LateContacts(int contacts)
{
    return std::min(5000, contacts / 20);
}

inline tLogRecord Contact(QRandomGenerator& rng, int i, int contacts)
{
    tLogRecord contact;
    contact.date = QStringLiteral("2026-12-09");
    contact.time = QStringLiteral("17:05");
    contact.call =
        i < contacts - LateContacts(contacts) ? BenchSupport::RandomCall(rng) : QStringLiteral("TA%1").arg(i);
    contact.tenten = i % 3 ? QString::number(rng.bounded(80000)) : QString();
    contact.mode = QStringLiteral("SSB");
    contact.qth = QStringLiteral("AZ");
    contact.uscounty = QStringLiteral("Pima");
    contact.points = 2;
    return contact;
}

// The path of logs.db holding a log of the given number of contacts, generated when not there yet.
inline QString Logs(int contacts)
{
    return BenchSupport::Fixture(QStringLiteral("logging_%1.db").arg(contacts),
                                 [contacts](const QString& path) {
                                     TDM dm;
                                     dm.OpenLogs(path);
                                     dm.CreateConfig();
                                     TMysettings rec;
                                     rec.TableName = kTable;
                                     rec.ContestName = QStringLiteral("Open Season");
                                     rec.Callsign = QStringLiteral("N0CALL");
                                     dm.CreateLog(rec);
                                     QRandomGenerator rng(1010);
                                     dm.condb().transaction();
                                     for (int i = 0; i < contacts; ++i) {
                                         dm.LogAddRecord(Contact(rng, i, contacts), kTable);
                                     }
                                     dm.condb().commit();
                                     dm.CloseLogs();
                                 });
}

} // namespace LogFixture
