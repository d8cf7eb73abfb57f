#include "ReferenceLookup.h"

#include "TDM.h"

#include <QSqlQuery>
#include <QVariant>

QString CountryOfCall(TDM& dm, const QString& call)
{
    QSqlQuery& q = dm.dbConfigQuery();
    QString mainPrefix;
    // Shorten the call one character at a time until a leading part is a known prefix.
    for (QString p = call; !p.isEmpty(); p.chop(1)) {
        q.finish();
        ExecSql(q, QStringLiteral("select new from prefix where old = ?"), {p});
        if (q.next()) {
            mainPrefix = q.value(0).toString();
            break;
        }
    }
    QString country;
    if (!mainPrefix.isEmpty()) {
        q.finish();
        ExecSql(q, QStringLiteral("select name from country where prefix = ?"), {mainPrefix});
        if (q.next()) {
            country = q.value(0).toString();
        }
    }
    q.finish();
    return country;
}

QString UsStateOfCountry(const QString& country)
{
    if (country == QLatin1String("Alaska")) {
        return QStringLiteral("AK");
    }
    if (country == QLatin1String("Hawaii")) {
        return QStringLiteral("HI");
    }
    return QString();
}
