#include "TDupeListReader.h"

#include "TDM.h"

#include <algorithm>
#include <limits>

namespace {

// Up to this many matches ahead, the reader takes every rowid of them from the call index at once and lists
// them sorted.
constexpr qint64 kFewRows = 8192;
// Rows of the table read by the first scanning statement (a prefix that many rows share fills a piece
// there), by each later one, and the windows one piece may read before the reader turns to the call index.
constexpr qint64 kFirstWindow = 512;
constexpr qint64 kWindow = 4096;
constexpr int kWindowsPerPiece = 4;
// What the ways cost, in rows scanned: an entry of the call index costs about what a row scanned does, a
// row read by its rowid (a step down the table's tree) about forty.
constexpr qint64 kRowByRowid = 40;
constexpr qint64 kMaxRows = std::numeric_limits<qint64>::max() / 2;

// The call index orders calls by their bytes with ASCII letters folded to lower case (as a case-blind
// match of a prefix folds them): the calls that begin with the prefix are those from the folded prefix up
// to the folded prefix with its last byte one higher. No byte of a typed call is a wildcard.
TDM::TCallRange CallRange(const QString& prefix)
{
    QByteArray low = prefix.toUtf8();
    for (char& c : low) {
        if (c >= 'A' && c <= 'Z') {
            c = char(c - 'A' + 'a');
        }
    }
    QByteArray high = low;
    while (!high.isEmpty() && uchar(high.back()) == 0xFF) {
        high.chop(1);
    }
    if (high.isEmpty()) {
        return {low, std::nullopt};
    }
    // The byte after "@" is "A", which the index reads as "a"; no folded call holds a byte from "A" to "Z",
    // so "[" is the next one that counts.
    high.back() = high.back() == '@' ? '[' : char(uchar(high.back()) + 1);
    return {low, high};
}

} // namespace

TDupeListReader::TDupeListReader(TDM& dm, const QString& table, const QString& prefix)
    : fDM(dm), fTable(table), fCalls(CallRange(prefix))
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
    qint64 scanned = 0; // rows of the table this piece has read
    if (fWay == TWay::FirstWindow) {
        fWay = TWay::Scan;
        if (!ScanWindow(rows, count, kFirstWindow) || rows.size() == count) {
            return rows;
        }
        scanned = kFirstWindow;
    }
    // Before each window the matches seen so far tell how far the scan would still go to fill the piece,
    // and how many entries the index would give: the cheaper way is taken. A piece scans a bounded number
    // of windows in any case, then turns to the index.
    bool manyAhead = false; // the index declined: too many matches ahead to list at once
    int windows = 0;
    while (fWay == TWay::Scan && rows.size() < count) {
        if (windows == kWindowsPerPiece) {
            fWay = !manyAhead && ListFromIndex() ? TWay::Listed : TWay::ByIndex;
            break;
        }
        if (!manyAhead && scanned > 0 && IndexIsCheaper(rows.size(), scanned, count)) {
            if (ListFromIndex()) {
                fWay = TWay::Listed;
                break;
            }
            manyAhead = true;
        }
        if (!ScanWindow(rows, count, kWindow)) {
            return rows;
        }
        scanned += kWindow;
        ++windows;
    }
    if (fWay == TWay::Listed) {
        rows += NextListed(count - int(rows.size()));
    } else if (fWay == TWay::ByIndex) {
        rows += NextByIndex(count - int(rows.size()));
    }
    return rows;
}

bool TDupeListReader::IndexIsCheaper(qint64 found, qint64 scanned, qint64 count) const
{
    // In floating point: rowids may lie far apart.
    const double wanted = double(count - found);
    const double scanRows = found > 0 ? wanted * double(scanned) / double(found) : double(kMaxRows);
    const double indexCost =
        double(found) * double(fMax - fNext + 1) / double(scanned) + wanted * double(kRowByRowid);
    return indexCost < scanRows;
}

bool TDupeListReader::ScanWindow(QList<TDupeRow>& rows, int count, qint64 window)
{
    const qint64 to = fNext > fMax - (window - 1) ? fMax : fNext + (window - 1);
    qint64 last = to;
    fDM.DupeListScan(fTable, fCalls, fNext, to, count - rows.size(),
                     [&](qint64 rowid, const QString& call, const QString& mode, const QString& place) {
                         rows.append({call, mode, place});
                         last = rowid;
                     });
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
    std::vector<qint64> rowids = fDM.DupeListRowids(fTable, fCalls, fNext, kFewRows + 1);
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
                         [&rows](qint64, const QString& call, const QString& mode, const QString& place) {
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
    qint64 last = fNext - 1;
    fDM.DupeListByIndex(fTable, fCalls, fNext, count,
                        [&](qint64 rowid, const QString& call, const QString& mode, const QString& place) {
                            rows.append({call, mode, place});
                            last = rowid;
                        });
    if (rows.size() < count || last >= fMax) {
        fAtEnd = true;
    } else {
        fNext = last + 1;
    }
    return rows;
}
