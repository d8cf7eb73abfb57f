#pragma once

#include <QString>
#include <QStringList>

// Splits a script of SQL statements into single statements at the semicolons that end them.
// Semicolons inside quoted strings, quoted identifiers and comments do not split; comments are
// dropped and empty statements are left out.
QStringList SplitSqlScript(const QString& script);

// Parses one CSV text (RFC 4180: fields separated by commas, optionally enclosed in double quotes,
// with doubled double quotes inside) into rows of fields. CR LF and LF both end a row.
QList<QStringList> ParseCsv(const QString& text);
