#pragma once

#include <QSqlQuery>
#include <QString>
#include <optional>

class TDM;

// The statements that replace a club roster of "config.db" (`tenten`, `epc`, `p070`). Everything a load
// does runs in one transaction begun by the constructor: the emptying of a table, the reset of its key
// counter and every insert or update. Commit() makes it lasting; an object destroyed without a commit
// rolls it all back, so a load that fails halfway leaves the roster exactly as it was. Values are always
// bound. Every failure throws EDatabaseError with the engine's message.
class TRosterLoad
{
public:
    explicit TRosterLoad(TDM& dm);
    ~TRosterLoad();
    TRosterLoad(const TRosterLoad&) = delete;
    TRosterLoad& operator=(const TRosterLoad&) = delete;

    // Empties one of the three roster tables and starts its key counter again (the next row gets key 1).
    void ClearRoster(const QString& table);
    // A member of the Ten-Ten roster, with no VP number yet.
    void AddTenTen(const QString& callsign, const QString& ten);
    // A member of the EPC (`epc`) or 070 (`p070`) roster.
    void AddMember(const QString& table, const QString& callsign, const QString& number);
    // Gives the Ten-Ten members with a Ten-Ten number their VP number; no member, no change.
    void SetVP(const QString& vp, const QString& ten);

    void Commit();

private:
    QSqlQuery& Prepared(std::optional<QSqlQuery>& query, const QString& statement);

    QString fConnection;
    bool fOpen = false;
    std::optional<QSqlQuery> fInsertTenTen;
    std::optional<QSqlQuery> fInsertMember;
    QString fMemberTable;
    std::optional<QSqlQuery> fUpdateVP;
};
