#pragma once

#include "data/TDM.h"
#include "lookup/TLookup.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

// What this computer knows about the stations the feed tests log: a licence folder (the FCC's licence data
// and the postal data, as the licence build writes them) and the club rosters of config.db.
//
//   K1ABC   licensed in CT (Jane Sample, zip 06111 of Hartford county); Ten-Ten 12345, VP 77, EPC 601,
//           070 701
//   DL1ABC  no licence (a DX station); Ten-Ten 4321
//   W7NEW   licensed in AZ (Pat Newcomer), in no roster
namespace FeedFixtures {

inline void WriteDatabase(const QString& path, const QStringList& statements)
{
    const QString name = QStringLiteral("feed-fixture-") + path;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            qFatal("%s", qPrintable(db.lastError().text()));
        }
        QSqlQuery q(db);
        for (const QString& statement : statements) {
            if (!q.exec(statement)) {
                qFatal("%s: %s", qPrintable(q.lastError().text()), qPrintable(statement));
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// The licence folder (FCCPath) with fccdata.db and postal.db.
inline void WriteLicenceFolder(const QString& folder)
{
    QDir().mkpath(folder);
    WriteDatabase(
        folder + QStringLiteral("/fccdata.db"),
        {QStringLiteral(
             "CREATE TABLE fcc_en (unique_system_identifier INTEGER, call_sign TEXT, entity_name TEXT,"
             " first_name TEXT, last_name TEXT, po_box TEXT, street_address TEXT, city TEXT,"
             " state TEXT, zip_code TEXT, county TEXT)"),
         QStringLiteral("CREATE TABLE fcc_am (unique_system_identifier INTEGER, operator_class TEXT,"
                        " previous_callsign TEXT)"),
         QStringLiteral("CREATE TABLE fcc_hd (unique_system_identifier INTEGER, license_status TEXT)"),
         QStringLiteral("INSERT INTO fcc_en VALUES (1, 'K1ABC', '', 'Jane', 'Sample', '', '12 Elm St',"
                        " 'Hartford', 'CT', '06111', '')"),
         QStringLiteral("INSERT INTO fcc_am VALUES (1, 'E', '')"),
         QStringLiteral("INSERT INTO fcc_hd VALUES (1, 'A')"),
         QStringLiteral("INSERT INTO fcc_en VALUES (2, 'W7NEW', '', 'Pat', 'Newcomer', '', '1 Cactus Rd',"
                        " 'Tucson', 'AZ', '85701', '')"),
         QStringLiteral("INSERT INTO fcc_am VALUES (2, 'T', '')"),
         QStringLiteral("INSERT INTO fcc_hd VALUES (2, 'A')")});
    WriteDatabase(
        folder + QStringLiteral("/postal.db"),
        {QStringLiteral("CREATE TABLE zipcodes (zip TEXT, county TEXT, latitude TEXT, longitude TEXT)"),
         QStringLiteral("INSERT INTO zipcodes VALUES ('06111', 'Hartford', '41.68', '-72.73')"),
         QStringLiteral("INSERT INTO zipcodes VALUES ('85701', 'Pima', '32.22', '-110.97')")});
}

// The roster members of the table above, added to the rosters of config.db.
inline void AddRosterMembers(TDM& dm)
{
    QSqlQuery q(dm.conConfig());
    for (const char* statement : {"INSERT INTO tenten (callsign, ten, vp) VALUES ('K1ABC', '12345', '77')",
                                  "INSERT INTO tenten (callsign, ten, vp) VALUES ('DL1ABC', '4321', '')",
                                  "INSERT INTO epc (callsign, number) VALUES ('K1ABC', '601')",
                                  "INSERT INTO p070 (callsign, number) VALUES ('K1ABC', '701')"}) {
        if (!q.exec(QString::fromLatin1(statement))) {
            qFatal("%s", qPrintable(q.lastError().text()));
        }
    }
}

} // namespace FeedFixtures
