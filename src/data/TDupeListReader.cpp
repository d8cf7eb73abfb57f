#include "TDupeListReader.h"

#include "TDM.h"

#include <QSqlQuery>

namespace {

// Up to this many matches ahead, a piece is read through the call index.
constexpr qint64 kFewRows = 3000;
// Rows of the table read by the first scanning statement (a prefix that many rows share fills a piece
// there), by each later one, and the windows one piece may read before the reader turns to the call index.
constexpr qint64 kFirstWindow = 512;
constexpr qint64 kWindow = 4096;
constexpr int kWindowsPerPiece = 4;

QString LikePattern(const QString& prefix)
{
    QString pattern = prefix;
    pattern.replace('\\', QStringLiteral("\\\\"));
    pattern.replace('%', QStringLiteral("\\%"));
    pattern.replace('_', QStringLiteral("\\_"));
    return pattern + '%';
}

// A line of the list from the columns after the rowid.
TDupeRow RowOf(const QSqlQuery& q)
{
    return {q.value(1).toString(), q.value(2).toString(), q.value(3).toString()};
}

} // namespace

TDupeListReader::TDupeListReader(TDM& dm, const QString& table, const QString& prefix)
    : fDM(dm), fTable(table), fPattern(LikePattern(prefix))
{
    QSqlQuery& q = fDM.RunLogStatement(TDM::TLogStatement::DupeListBounds, fTable, {});
    q.next();
    fNext = q.value(0).toLongLong();
    fMax = q.value(1).toLongLong();
    fAtEnd = q.value(2).toBool();
    q.finish();
}

QList<TDupeRow> TDupeListReader::Next(int count)
{
    QList<TDupeRow> rows;
    if (fAtEnd || count <= 0) {
        return rows;
    }
    if (fWay == TWay::FirstWindow) {
        if (!ScanWindow(rows, count, kFirstWindow) || rows.size() == count) {
            fWay = TWay::Scan;
            return rows;
        }
        // The matches of the first window tell how far the scan would go to fill the piece: when that stays
        // within the windows of one piece, the index is not needed; else few matches ahead are read on it.
        const qint64 found = rows.size();
        if (found > 0 && (count - found) * kFirstWindow / found <= kWindow * kWindowsPerPiece) {
            fWay = TWay::Scan;
        } else {
            fWay = CountAhead(kFewRows + 1) <= kFewRows ? TWay::ByIndex : TWay::Scan;
        }
    }
    for (int window = 0; fWay == TWay::Scan && rows.size() < count; ++window) {
        if (window == kWindowsPerPiece) {
            // The matches lie far apart or far ahead: the call index finds them at once.
            fWay = TWay::ByIndex;
        } else if (!ScanWindow(rows, count, kWindow)) {
            return rows;
        }
    }
    if (fWay == TWay::ByIndex) {
        rows += NextByIndex(count - int(rows.size()));
    }
    return rows;
}

bool TDupeListReader::ScanWindow(QList<TDupeRow>& rows, int count, qint64 window)
{
    const qint64 to = fNext > fMax - (window - 1) ? fMax : fNext + (window - 1);
    QSqlQuery& q = fDM.RunLogStatement(TDM::TLogStatement::DupeListScan, fTable,
                                       {fNext, to, TextValue(fPattern), count - int(rows.size())});
    qint64 last = to;
    while (q.next()) {
        rows.append(RowOf(q));
        last = q.value(0).toLongLong();
    }
    q.finish();
    // A full piece ends at its last row; otherwise the whole window has been read.
    if (rows.size() < count) {
        last = to;
    }
    if (last >= fMax) {
        fAtEnd = true;
        return false;
    }
    fNext = last + 1;
    return true;
}

qint64 TDupeListReader::CountAhead(qint64 limit)
{
    QSqlQuery& q =
        fDM.RunLogStatement(TDM::TLogStatement::DupeListCount, fTable, {TextValue(fPattern), fNext, limit});
    const qint64 n = q.next() ? q.value(0).toLongLong() : 0;
    q.finish();
    return n;
}

QList<TDupeRow> TDupeListReader::NextByIndex(int count)
{
    QList<TDupeRow> rows;
    QSqlQuery& q =
        fDM.RunLogStatement(TDM::TLogStatement::DupeListByIndex, fTable, {TextValue(fPattern), fNext, count});
    qint64 last = fNext - 1;
    while (q.next()) {
        rows.append(RowOf(q));
        last = q.value(0).toLongLong();
    }
    q.finish();
    if (rows.size() < count || last >= fMax) {
        fAtEnd = true;
    } else {
        fNext = last + 1;
    }
    return rows;
}
