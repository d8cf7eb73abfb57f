#include "SqlScript.h"

QStringList SplitSqlScript(const QString& script)
{
    QStringList statements;
    QString current;
    const qsizetype n = script.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = script[i];
        if (c == '\'' || c == '"' || c == '`' || c == '[') {
            const QChar close = (c == '[') ? QChar(']') : c;
            current += c;
            ++i;
            while (i < n) {
                current += script[i];
                if (script[i] == close) {
                    // A doubled quote inside a quoted text stands for the quote itself.
                    if (close != ']' && i + 1 < n && script[i + 1] == close) {
                        current += script[++i];
                    } else {
                        break;
                    }
                }
                ++i;
            }
        } else if (c == '-' && i + 1 < n && script[i + 1] == '-') {
            while (i < n && script[i] != '\n') {
                ++i;
            }
            current += '\n';
        } else if (c == '/' && i + 1 < n && script[i + 1] == '*') {
            i += 2;
            while (i + 1 < n && !(script[i] == '*' && script[i + 1] == '/')) {
                ++i;
            }
            ++i;
            current += ' ';
        } else if (c == ';') {
            if (!current.trimmed().isEmpty()) {
                statements << current.trimmed();
            }
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.trimmed().isEmpty()) {
        statements << current.trimmed();
    }
    return statements;
}

QList<QStringList> ParseCsv(const QString& text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool fieldStarted = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < n && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == '"' && field.isEmpty()) {
            quoted = true;
            fieldStarted = true;
        } else if (c == ',') {
            row << field;
            field.clear();
            fieldStarted = true;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < n && text[i + 1] == '\n') {
                ++i;
            }
            if (fieldStarted || !field.isEmpty() || !row.isEmpty()) {
                row << field;
                rows << row;
            }
            row.clear();
            field.clear();
            fieldStarted = false;
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (fieldStarted || !field.isEmpty() || !row.isEmpty()) {
        row << field;
        rows << row;
    }
    return rows;
}
