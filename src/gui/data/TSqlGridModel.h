#pragma once

#include <QAbstractTableModel>
#include <QBitArray>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariant>
#include <vector>

// An editable grid model over one table, as the table windows show it: every column of the table, the
// rows in the order the database returns them (or by an order column). Rows are read lazily: opening a
// table in rowid order counts its rows and reads no key; the row keys (SQLite's rowid) are read a page at a
// time beside the values, as the view asks for them, so opening a 1,000,000-row log or jumping to its last
// row costs a page, not the table. The rows are those the table held when it was opened (or refreshed):
// rows another program adds later show after a refresh. Adding or deleting a row in the grid, or an order
// column, reads all the keys once, as the rows then take their places by position.
//
// Editing follows a record navigator: one row at a time is in edit (changed cells or a new row); it is
// written to the table when it is posted (explicitly, or when another row becomes current), and stays in
// edit when the database refuses it, so nothing typed is lost. Failures throw EDatabaseError with the
// engine's own message.
class TSqlGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TSqlGridModel(QSqlDatabase db, QObject* parent = nullptr);

    // Reads the columns and the row keys of a table; orderBy (SQL text, optional) sorts the rows. Throws
    // EDatabaseError when the table cannot be read (a name the database does not know).
    void Open(const QString& table, const QString& orderBy = QString());
    QString Table() const { return fTable; }
    // True: an emptied cell is stored as NULL. False: an emptied text cell is stored as empty text (a
    // cell of a column declared with a numeric type is always stored as NULL when emptied).
    void SetEmptyAsNull(bool value) { fEmptyAsNull = value; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Puts a changed cell into the edit buffer of its row. A row other than the one in edit is only
    // edited after that one is posted; when the post fails, the new edit is refused (returns false) and
    // the error is kept for LastError().
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // The row in edit, -1 when none.
    int EditRow() const { return fEditRow; }
    bool IsInserting() const { return fInserting; }
    bool IsModified() const { return fEditRow >= 0; }
    // Writes the row in edit to the table (UPDATE by rowid, or INSERT for a new row). Throws on refusal and
    // keeps the row in edit: a value that is no whole number in a column of an integer type (no number
    // in another numeric column) is refused with the reason. A row that another program deleted meanwhile
    // is not written either: it stays in edit as a new row, and the error says so.
    void Post();
    // Drops the row in edit: changed cells return to the stored values, a new row disappears.
    void Cancel();
    // Starts a new, empty row before the given row (at the end when row is the row count); the row in edit
    // is posted first.
    void InsertRowAt(int row);
    // Deletes a stored row from the table (a new row is only dropped); the row in edit is posted first.
    void DeleteRow(int row);
    // Re-reads the keys and values from the table; the row in edit is posted first.
    void Refresh();

    // The message of the last refused edit made through setData (empty when none).
    QString LastError() const { return fLastError; }

    // The column names, in table order.
    const QStringList& Columns() const { return fColumns; }

private:
    static constexpr int kPageRows = 256;
    static constexpr int kMaxPages = 64;

    // Every key in the grid's order (by the order column, else by rowid).
    void ReadKeys();
    // The rows as the grid opens or refreshes: counted in rowid order, else every key read.
    void ReadRows();
    void ClearKeys();
    // The rows of the table in rowid order as the grid opens: counted, keys read later.
    void CountRows();
    // The number of stored rows shown, and the key of one.
    qint64 KeyCount() const;
    qint64 KeyAt(qint64 position) const;
    // Reads every key of the rows counted, when they are not all read yet (before rows move).
    void ReadAllKeys();
    void LoadKeyChunk(qint64 chunk) const;
    const QList<QVariant>& RowValues(int row) const;
    void LoadPage(int page) const;
    void DropPages() const;
    QVariant StoredValue(const QVariant& value, int column) const;
    void EndEdit();
    // The value of a number column as it is stored; throws with the reason when the text is no number
    // the column takes.
    QVariant NumberValue(int column, const QVariant& value) const;
    // Turns the row in edit, which the table no longer holds, into a new row and throws saying so.
    [[noreturn]] void KeepDeletedRow();

    QSqlDatabase fDb;
    QString fTable;
    QString fOrderBy;
    bool fEmptyAsNull = false;
    QStringList fColumns;
    QBitArray fNumeric;
    QBitArray fWhole; // columns of an integer type
    // Every key, once all are read (fAllKeys); before that, the rows counted (fCount, rowids up to fLastKey)
    // and the keys read so far a page at a time. When the rowids run from fFirstKey without a gap, a key
    // is known from its position without reading it.
    std::vector<qint64> fKeys;
    bool fAllKeys = true;
    qint64 fCount = 0;
    qint64 fFirstKey = 0;
    qint64 fLastKey = 0;
    bool fDense = false;
    mutable QHash<qint64, std::vector<qint64>> fKeyChunks;

    // Values of the pages read so far, by page number, with a small limit on how many are kept.
    mutable QHash<int, QList<QList<QVariant>>> fPages;
    mutable QList<int> fPageOrder;

    int fEditRow = -1;
    bool fInserting = false;
    QList<QVariant> fEditValues;
    QBitArray fEditChanged;
    QString fLastError;
};
