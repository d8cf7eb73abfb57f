// Builds an SQLite database from text sources, in the order given on the command line:
//   vantrel_mkdb OUTPUT.db FILE...
// A ".sql" file is a script of statements; a ".csv" file holds the rows of one table, named after the
// file without its extension and without a leading "NN-" ordering number, with the column names in
// its first line. The output is written to a temporary file and renamed, so a failed build never
// leaves a half-made database behind.

#include "../src/data/SqlScript.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringDecoder>
#include <cstdio>

namespace {

QString ReadText(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        throw QString("cannot read %1: %2").arg(path, f.errorString());
    }
    const QByteArray bytes = f.readAll();
    auto encoding = QStringConverter::encodingForData(bytes);
    QStringDecoder decoder(encoding.value_or(QStringConverter::Utf8));
    return decoder(bytes);
}

void Exec(QSqlQuery& q, const QString& sql, const QString& source)
{
    if (!q.exec(sql)) {
        throw QString("%1: %2\n%3").arg(source, q.lastError().text(), sql.left(300));
    }
}

void RunSql(QSqlDatabase& db, const QString& path)
{
    QSqlQuery q(db);
    for (const QString& statement : SplitSqlScript(ReadText(path))) {
        Exec(q, statement, path);
    }
}

void LoadCsv(QSqlDatabase& db, const QString& path)
{
    QString table = QFileInfo(path).completeBaseName();
    table.remove(QRegularExpression("^[0-9]+-"));
    const QList<QStringList> rows = ParseCsv(ReadText(path));
    if (rows.isEmpty()) {
        return;
    }
    const QStringList columns = rows.first();
    QStringList quotedColumns;
    for (const QString& c : columns) {
        quotedColumns << '"' + QString(c).replace('"', "\"\"") + '"';
    }
    const QString sql = QString("insert into \"%1\" (%2) values (%3)")
                            .arg(table, quotedColumns.join(','), QStringList(columns.size(), "?").join(','));
    QSqlQuery q(db);
    if (!q.prepare(sql)) {
        throw QString("%1: %2").arg(path, q.lastError().text());
    }
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const QStringList& row = rows[r];
        if (row.size() != columns.size()) {
            throw QString("%1: line %2 has %3 fields, expected %4")
                .arg(path)
                .arg(r + 1)
                .arg(row.size())
                .arg(columns.size());
        }
        for (qsizetype c = 0; c < row.size(); ++c) {
            q.bindValue(int(c), row[c]);
        }
        if (!q.exec()) {
            throw QString("%1 line %2: %3").arg(path).arg(r + 1).arg(q.lastError().text());
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: vantrel_mkdb OUTPUT.db FILE...\n");
        return 2;
    }
    const QString output = args[1];
    const QString temp = output + ".tmp";
    QFile::remove(temp);
    int rc = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "mkdb");
        db.setDatabaseName(temp);
        try {
            if (!db.open()) {
                throw QString("cannot create %1: %2").arg(temp, db.lastError().text());
            }
            db.transaction();
            for (qsizetype i = 2; i < args.size(); ++i) {
                if (args[i].endsWith(".csv", Qt::CaseInsensitive)) {
                    LoadCsv(db, args[i]);
                } else {
                    RunSql(db, args[i]);
                }
            }
            db.commit();
            QSqlQuery(db).exec("VACUUM");
        } catch (const QString& message) {
            std::fprintf(stderr, "vantrel_mkdb: %s\n", qPrintable(message));
            rc = 1;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("mkdb");
    if (rc == 0) {
        QFile::remove(output);
        if (!QFile::rename(temp, output)) {
            std::fprintf(stderr, "vantrel_mkdb: cannot rename %s\n", qPrintable(temp));
            rc = 1;
        }
    } else {
        QFile::remove(temp);
    }
    return rc;
}
