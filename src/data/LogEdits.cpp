#include "LogEdits.h"

#include "TDM.h"

#include <QSqlQuery>
#include <QVariant>

QList<TRecentContact> RecentContacts(TDM& dm, const QString& table, int limit)
{
    QSqlQuery q(dm.condb());
    q.setForwardOnly(true);
    ExecSql(q,
            QStringLiteral("select pkey,_date,_time,_call,_mode,_qth,_uscounty,_tenten,_vp,_epc,_p070,_points"
                           " from ") +
                QuoteIdent(table) + QStringLiteral(" order by pkey desc limit ?"),
            {limit});
    QList<TRecentContact> rows;
    rows.reserve(limit);
    while (q.next()) {
        TRecentContact c;
        c.key = q.value(0).toLongLong();
        c.date = q.value(1).toString();
        c.time = q.value(2).toString();
        c.call = q.value(3).toString();
        c.mode = q.value(4).toString();
        c.qth = q.value(5).toString();
        c.county = q.value(6).toString();
        c.tenten = q.value(7).toString();
        c.vp = q.value(8).toString();
        c.epc = q.value(9).toString();
        c.p070 = q.value(10).toString();
        c.points = q.value(11).toInt();
        rows << c;
    }
    return rows;
}

std::optional<tLogRecord> ReadContact(TDM& dm, const QString& table, qint64 key)
{
    QSqlQuery q(dm.condb());
    ExecSql(q,
            QStringLiteral("select _date,_time,_call,_tenten,_vp,_epc,_p070,_mode,_name,_qth,_mycounty,"
                           "_uscounty,_points,_dxcc,_comment from ") +
                QuoteIdent(table) + QStringLiteral(" where pkey=?"),
            {key});
    if (!q.next()) {
        return std::nullopt;
    }
    tLogRecord rec;
    rec.date = q.value(0).toString();
    rec.time = q.value(1).toString();
    rec.call = q.value(2).toString();
    rec.tenten = q.value(3).toString();
    rec.vp = q.value(4).toString();
    rec.epc = q.value(5).toString();
    rec.p070 = q.value(6).toString();
    rec.mode = q.value(7).toString();
    rec.name = q.value(8).toString();
    rec.qth = q.value(9).toString();
    rec.mycounty = q.value(10).toString();
    rec.uscounty = q.value(11).toString();
    rec.points = q.value(12).toInt();
    rec.dxcc = q.value(13).toInt();
    rec.comment = q.value(14).toString();
    return rec;
}

void UpdateContact(TDM& dm, const QString& table, qint64 key, const tLogRecord& rec)
{
    QSqlQuery q(dm.condb());
    ExecSql(q,
            QStringLiteral("update ") + QuoteIdent(table) +
                QStringLiteral(" set _date=?,_time=?,_call=?,_tenten=?,_vp=?,_epc=?,_p070=?,_mode=?,_name=?,"
                               "_qth=?,_uscounty=?,_points=?,_dxcc=?,_comment=? where pkey=?"),
            {TextValue(rec.date), TextValue(rec.time), TextValue(rec.call), TextValue(rec.tenten),
             TextValue(rec.vp), TextValue(rec.epc), TextValue(rec.p070), TextValue(rec.mode),
             TextValue(rec.name), TextValue(rec.qth), TextValue(rec.uscounty), rec.points, rec.dxcc,
             TextValue(rec.comment), key});
}

void DeleteContact(TDM& dm, const QString& table, qint64 key)
{
    QSqlQuery q(dm.condb());
    ExecSql(q, QStringLiteral("delete from ") + QuoteIdent(table) + QStringLiteral(" where pkey=?"), {key});
}

std::optional<qint64> LastContactKey(TDM& dm, const QString& table)
{
    QSqlQuery q(dm.condb());
    ExecSql(q, QStringLiteral("select max(pkey) from ") + QuoteIdent(table));
    if (!q.next() || q.value(0).isNull()) {
        return std::nullopt;
    }
    return q.value(0).toLongLong();
}

bool IsDupeOfOther(TDM& dm, const QString& table, qint64 key, const QString& call,
                   const std::optional<QString>& mode, const std::optional<QString>& county)
{
    // The same comparison as the logging check (exact text, found on the call index), less the contact
    // itself.
    QString sql = QStringLiteral("select 1 from ") + QuoteIdent(table) +
                  QStringLiteral(" where _call=? COLLATE NOCASE and _call=? and pkey<>?");
    QVariantList values{TextValue(call), TextValue(call), key};
    if (mode) {
        sql += QStringLiteral(" and _mode=?");
        values << TextValue(*mode);
    }
    if (county) {
        sql += QStringLiteral(" and _uscounty=?");
        values << TextValue(*county);
    }
    sql += QStringLiteral(" limit 1");
    QSqlQuery q(dm.condb());
    ExecSql(q, sql, values);
    return q.next();
}

QStringList ProcessedLogs(TDM& dm)
{
    QSqlQuery q(dm.condb());
    ExecSql(q, QStringLiteral("select tablename from config where processed<>0"));
    QStringList names;
    while (q.next()) {
        names << q.value(0).toString();
    }
    return names;
}

void ReopenLog(TDM& dm, const QString& table)
{
    QSqlQuery q(dm.condb());
    ExecSql(q, QStringLiteral("update config set processed=0 where tablename=?"), {TextValue(table)});
}
