#include "LookupQueries.h"

#include "Errors.h"
#include "TDM.h"

#include <QSqlRecord>

namespace {

// The value of a named column of the current row; a column the result lacks is a database error.
QString Column(const QSqlQuery& query, const QString& name)
{
    const int index = query.record().indexOf(name);
    if (index < 0) {
        throw EDatabaseError(QStringLiteral("no such column: %1").arg(name));
    }
    return query.value(index).toString();
}

// The value of the first column of the single-row statement, if a row comes back.
std::optional<QString> FirstValue(QSqlQuery& query, const QString& statement, const QString& value,
                                  const QString& column)
{
    query.finish();
    ExecSql(query, statement, {TextValue(value)});
    std::optional<QString> result;
    if (query.next()) {
        result = Column(query, column);
    }
    query.finish();
    return result;
}

} // namespace

std::optional<TLicenceRow> FindActiveLicence(TDM& dm, const QString& callsign)
{
    QSqlQuery& q = dm.dbLookupQuery();
    q.finish();
    ExecSql(q,
            QStringLiteral("select * from fcc_en,fcc_am,fcc_hd"
                           " where fcc_en.unique_system_identifier=fcc_hd.unique_system_identifier"
                           " and fcc_en.unique_system_identifier=fcc_am.unique_system_identifier"
                           " and fcc_hd.license_status=? and fcc_en.call_sign=?"),
            {QStringLiteral("A"), TextValue(callsign)});
    if (!q.next()) {
        q.finish();
        return std::nullopt;
    }
    TLicenceRow row;
    row.callSign = Column(q, QStringLiteral("call_sign"));
    row.entityName = Column(q, QStringLiteral("entity_name"));
    row.firstName = Column(q, QStringLiteral("first_name"));
    row.lastName = Column(q, QStringLiteral("last_name"));
    row.poBox = Column(q, QStringLiteral("po_box"));
    row.streetAddress = Column(q, QStringLiteral("street_address"));
    row.city = Column(q, QStringLiteral("city"));
    row.state = Column(q, QStringLiteral("state"));
    row.zipCode = Column(q, QStringLiteral("zip_code"));
    row.operatorClass = Column(q, QStringLiteral("operator_class"));
    row.previousCallsign = Column(q, QStringLiteral("previous_callsign"));
    // Not every licence file carries a county; one that does has it in any of the three tables.
    if (q.record().indexOf(QStringLiteral("county")) >= 0) {
        row.county = Column(q, QStringLiteral("county"));
    }
    q.finish();
    return row;
}

std::optional<TPostalRow> FindZipCode(TDM& dm, const QString& zip)
{
    QSqlQuery& q = dm.dbPostalQuery();
    q.finish();
    ExecSql(q, QStringLiteral("Select * from zipcodes where zip = ?"), {TextValue(zip)});
    if (!q.next()) {
        q.finish();
        return std::nullopt;
    }
    TPostalRow row;
    row.county = Column(q, QStringLiteral("county"));
    row.latitude = Column(q, QStringLiteral("latitude"));
    row.longitude = Column(q, QStringLiteral("longitude"));
    q.finish();
    return row;
}

TRosterNumbers FindRosterNumbers(TDM& dm, const QString& callsign)
{
    TRosterNumbers numbers;
    QSqlQuery& q = dm.dbConfigQuery();
    q.finish();
    ExecSql(q, QStringLiteral("select * from tenten where callsign = ?"), {TextValue(callsign.toUpper())});
    if (q.next()) {
        numbers.tenten = Column(q, QStringLiteral("ten"));
        numbers.vp = Column(q, QStringLiteral("vp"));
    }
    q.finish();
    numbers.p070 = FirstValue(q, QStringLiteral("select number from p070 where callsign=?"), callsign,
                              QStringLiteral("number"))
                       .value_or(QString());
    numbers.epc = FirstValue(q, QStringLiteral("select number from epc where callsign=?"), callsign,
                             QStringLiteral("number"))
                      .value_or(QString());
    return numbers;
}

QString FindTenTenNumber(TDM& dm, const QString& callsign)
{
    return FirstValue(dm.dbConfigQuery(), QStringLiteral("select ten from tenten where callsign = ?"),
                      callsign.toUpper(), QStringLiteral("ten"))
        .value_or(QString());
}
