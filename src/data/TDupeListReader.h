#pragma once

#include "TDM.h"

#include <QList>
#include <QString>
#include <vector>

// One line of the dupe list.
struct TDupeRow
{
    QString call;
    QString mode;
    QString place; // "qth:county", a NULL value as empty text
};

// The rows of a log whose call begins with a prefix (letter case ignored; "%" and "_" are plain
// characters), in the order they were logged, read a piece at a time. No statement stays open between
// two pieces, so the reader never holds the log's table.
//
// A keystroke must cost the same on a log of any size, so no piece reads much more than it shows:
// - the table is read in its own order from the row after the last one listed, a window of rows at a
//   time: a prefix that many rows share fills a piece within the first rows read;
// - when the rows scanned so far show the matches to be sparse (the index would give fewer entries than
//   the scan would read rows), the rowids of the matches ahead are taken from the call index at once (up
//   to a bound; a range of the index, no pattern matched per entry) and sorted here: the rows are then
//   read by rowid, a piece at a time, with no temporary table of the engine;
// - when the matches are many but lie far ahead (thousands of them, all logged late), the reader turns to
//   the index after a bounded number of windows, so that no piece reads the whole table.
class TDupeListReader
{
public:
    // Throws EDatabaseError when the log cannot be read (as does Next).
    TDupeListReader(TDM& dm, const QString& table, const QString& prefix);

    // The next rows, at most count; fewer only once the list is complete.
    QList<TDupeRow> Next(int count);
    bool AtEnd() const { return fAtEnd; }

private:
    enum class TWay
    {
        FirstWindow, // nothing read yet
        Scan,        // windows of the table
        Listed,      // the sorted rowids of every match ahead, taken from the call index
        ByIndex      // the first matches ahead, sorted by the engine on the call index
    };
    // Reads the next window of rows of the table into rows (up to count rows in all); false once the
    // table is read.
    bool ScanWindow(QList<TDupeRow>& rows, int count, qint64 window);
    // Whether the call index would fill the piece more cheaply than scanning on, judged by the matches
    // found among the rows scanned so far.
    bool IndexIsCheaper(qint64 found, qint64 scanned, qint64 count) const;
    QList<TDupeRow> NextByIndex(int count);
    // Takes the rowids of the matches ahead from the call index and sorts them; false (nothing taken) when
    // there are too many to take at once.
    bool ListFromIndex();
    QList<TDupeRow> NextListed(int count);

    TDM& fDM;
    QString fTable;
    TDM::TCallRange fCalls; // the calls that begin with the prefix
    TWay fWay = TWay::FirstWindow;
    bool fAtEnd = false;
    qint64 fNext = 0;            // the first rowid not looked at yet
    qint64 fMax = 0;             // the largest rowid of the table when the list began
    std::vector<qint64> fListed; // the rowids of the matches, sorted (TWay::Listed)
    size_t fListedAt = 0;        // the first of them not read yet
};
