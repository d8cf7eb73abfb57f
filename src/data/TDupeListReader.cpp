#include "TDupeListReader.h"

#include "TDM.h"

#include <QSqlQuery>
#include <algorithm>
#include <limits>

namespace {

// Up to this many matches ahead, the reader takes every rowid of them from the call index at once and lists
// them sorted (reading an index entry costs about what scanning a row does, and no piece scans more).
constexpr qint64 kFewRows = 8192;
// Rows of the table read by the first scanning statement (a prefix that many rows share fills a piece
// there), by each later one, and the windows one piece may read before the reader turns to the call index.
constexpr qint64 kFirstWindow = 512;
constexpr qint64 kWindow = 4096;
constexpr int kWindowsPerPiece = 4;
constexpr qint64 kMaxRows = std::numeric_limits<qint64>::max() / 2;

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
        // The matches of the first window tell how far the scan would go to fill the piece, and how many
        // matches the index would give: the cheaper way is taken (an index entry costs about two rows
        // scanned), the scan only within the windows of one piece.
        const qint64 found = rows.size();
        const qint64 scanRows = found > 0 ? (count - found) * kFirstWindow / found : kMaxRows;
        const qint64 indexEntries = found * (fMax - fNext + 1) / kFirstWindow;
        if (scanRows <= kWindow * kWindowsPerPiece && scanRows <= 2 * indexEntries) {
            fWay = TWay::Scan;
        } else {
            fWay = ListFromIndex() ? TWay::Listed : TWay::Scan;
        }
    }
    for (int window = 0; fWay == TWay::Scan && rows.size() < count; ++window) {
        if (window == kWindowsPerPiece) {
            // The matches lie far apart or far ahead: the call index finds them at once.
            fWay = ListFromIndex() ? TWay::Listed : TWay::ByIndex;
        } else if (!ScanWindow(rows, count, kWindow)) {
            return rows;
        }
    }
    if (fWay == TWay::Listed) {
        rows += NextListed(count - int(rows.size()));
    } else if (fWay == TWay::ByIndex) {
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

bool TDupeListReader::ListFromIndex()
{
    std::vector<qint64> rowids = fDM.DupeListRowids(fTable, fPattern, fNext, kFewRows + 1);
    if (qint64(rowids.size()) > kFewRows) {
        return false;
    }
    std::sort(rowids.begin(), rowids.end());
    fListed = std::move(rowids);
    fListedAt = 0;
    return true;
}

QList<TDupeRow> TDupeListReader::NextListed(int count)
{
    QList<TDupeRow> rows;
    // A row deleted since its rowid was taken gives no line: the next ones fill its place.
    while (rows.size() < count && fListedAt < fListed.size()) {
        const size_t take = std::min(fListed.size() - fListedAt, size_t(count - rows.size()));
        const std::vector<qint64> piece(fListed.begin() + qsizetype(fListedAt),
                                        fListed.begin() + qsizetype(fListedAt + take));
        fListedAt += take;
        fDM.DupeListRows(fTable, piece,
                         [&rows](const QString& call, const QString& mode, const QString& place) {
                             rows.append({call, mode, place});
                         });
    }
    if (fListedAt >= fListed.size()) {
        fAtEnd = true;
    }
    return rows;
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
