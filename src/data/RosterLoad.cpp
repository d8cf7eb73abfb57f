#include "RosterLoad.h"

#include "Errors.h"
#include "TDM.h"

#include <QSqlDatabase>

namespace {

void Exec(QSqlQuery& query)
{
    if (!query.exec()) {
        throw EDatabaseError(ErrorText(query.lastError()));
    }
}

// Only the three roster tables may be emptied or filled here.
void CheckRosterTable(const QString& table)
{
    if (table != QStringLiteral("tenten") && table != QStringLiteral("epc") &&
        table != QStringLiteral("p070")) {
        throw EVantrel(QStringLiteral("Not a roster table: %1").arg(table));
    }
}

} // namespace

TRosterLoad::TRosterLoad(TDM& dm) : fConnection(dm.conConfig().connectionName())
{
    QSqlDatabase db = QSqlDatabase::database(fConnection, false);
    if (!db.transaction()) {
        throw EDatabaseError(ErrorText(db.lastError()));
    }
    fOpen = true;
}

TRosterLoad::~TRosterLoad()
{
    fInsertTenTen.reset();
    fInsertMember.reset();
    fUpdateVP.reset();
    if (fOpen) {
        QSqlDatabase::database(fConnection, false).rollback();
    }
}

QSqlQuery& TRosterLoad::Prepared(std::optional<QSqlQuery>& query, const QString& statement)
{
    if (!query) {
        query.emplace(QSqlDatabase::database(fConnection, false));
        if (!query->prepare(statement)) {
            throw EDatabaseError(ErrorText(query->lastError()));
        }
    }
    return *query;
}

void TRosterLoad::ClearRoster(const QString& table)
{
    CheckRosterTable(table);
    QSqlQuery q(QSqlDatabase::database(fConnection, false));
    ExecSql(q, QStringLiteral("DELETE FROM ") + QuoteIdent(table));
    ExecSql(q, QStringLiteral("UPDATE sqlite_sequence SET seq=0 WHERE name=?"), {table});
}

void TRosterLoad::AddTenTen(const QString& callsign, const QString& ten)
{
    QSqlQuery& q = Prepared(fInsertTenTen, QStringLiteral("INSERT INTO tenten (callsign,ten) VALUES(?,?)"));
    q.bindValue(0, TextValue(callsign));
    q.bindValue(1, TextValue(ten));
    Exec(q);
}

void TRosterLoad::AddMember(const QString& table, const QString& callsign, const QString& number)
{
    CheckRosterTable(table);
    if (table != fMemberTable) {
        fInsertMember.reset();
        fMemberTable = table;
    }
    QSqlQuery& q = Prepared(fInsertMember, QStringLiteral("INSERT INTO ") + QuoteIdent(table) +
                                               QStringLiteral(" (callsign,number) VALUES(?,?)"));
    q.bindValue(0, TextValue(callsign));
    q.bindValue(1, TextValue(number));
    Exec(q);
}

void TRosterLoad::SetVP(const QString& vp, const QString& ten)
{
    if (!fUpdateVP) {
        // Each VP line finds its member by Ten-Ten number: without an index a large roster takes minutes.
        QSqlQuery index(QSqlDatabase::database(fConnection, false));
        ExecSql(index, QStringLiteral("CREATE INDEX IF NOT EXISTS tenten_ten ON tenten (ten)"));
    }
    QSqlQuery& q = Prepared(fUpdateVP, QStringLiteral("UPDATE tenten SET vp=? WHERE ten=?"));
    q.bindValue(0, TextValue(vp));
    q.bindValue(1, TextValue(ten));
    Exec(q);
}

void TRosterLoad::Commit()
{
    fInsertTenTen.reset();
    fInsertMember.reset();
    fUpdateVP.reset();
    QSqlDatabase db = QSqlDatabase::database(fConnection, false);
    if (!db.commit()) {
        const QString error = ErrorText(db.lastError());
        db.rollback();
        fOpen = false;
        throw EDatabaseError(error);
    }
    fOpen = false;
}
