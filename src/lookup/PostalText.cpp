#include "PostalText.h"

#include "ArchiveText.h"
#include "data/Errors.h"

#include <QList>

namespace {

// The fields of one CSV line; a doubled quote inside a quoted field is one quote.
QList<QByteArray> CsvFields(QByteArrayView line)
{
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    QList<QByteArray> fields(1);
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.last().append('"');
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.last().append(c);
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.append(QByteArray());
        } else {
            fields.last().append(c);
        }
    }
    return fields;
}

} // namespace

std::vector<TPostalCode> ReadPostalText(const QString& path)
{
    std::vector<TPostalCode> codes;
    qint64 lineNumber = 0;
    TLineSplitter lines(
        [&](QByteArrayView line) {
            ++lineNumber;
            if (lineNumber == 1 || line.trimmed().isEmpty()) {
                return;
            }
            const QList<QByteArray> f = CsvFields(line);
            if (f.size() != 5) {
                throw EVantrel(
                    QStringLiteral("%1: line %2 does not have five fields").arg(path).arg(lineNumber));
            }
            codes.push_back({f[0], f[1], f[2], f[3], f[4]});
        },
        [&] {
            ++lineNumber;
            throw EVantrel(QStringLiteral("%1: line %2 is longer than any line of postal data")
                               .arg(path)
                               .arg(lineNumber));
        },
        4096);
    TArchiveReader reader(path, TArchiveReader::Kind::Gzip);
    QString name;
    if (reader.NextMember(name)) {
        QByteArray buffer(1 << 16, Qt::Uninitialized);
        qint64 n;
        while ((n = reader.Read(buffer.data(), buffer.size())) > 0) {
            lines.Feed(QByteArrayView(buffer.constData(), n));
        }
        lines.Finish();
    }
    if (codes.empty()) {
        throw EVantrel(QStringLiteral("%1 holds no ZIP codes").arg(path));
    }
    return codes;
}
