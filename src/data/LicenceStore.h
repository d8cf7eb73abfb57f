#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <array>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// The licence data file "fccdata.db" and the postal data file "postal.db" as the licence import writes
// them. They are written through SQLite's own interface rather than the data module's connections: an
// import inserts millions of rows on a worker thread, and binding the UTF-8 bytes of a record as they
// are read keeps that within seconds. The files read back through the lookup's ordinary statements.
//
// Every failure throws EDatabaseError with SQLite's own text.

// The names of the two files in a licence data folder.
inline const QString kLicenceFile = QStringLiteral("fccdata.db");
inline const QString kPostalFile = QStringLiteral("postal.db");

// One ZIP code of the postal data.
struct TPostalCode
{
    QByteArray zip;
    QByteArray county;
    QByteArray state;
    QByteArray latitude;
    QByteArray longitude;
};

// Writes a new postal data file at path (which must not exist yet): table `zipcodes` (zip, county,
// latitude, longitude, state) with an index on zip.
void WritePostalDatabase(const QString& path, const std::vector<TPostalCode>& codes);

// ZIP code -> county of a postal data file, as UTF-8.
QHash<QByteArray, QByteArray> ReadPostalCounties(const QString& path);

// The number of licensees (rows of fcc_en) of an existing licence data file; 0 when there is no such file
// or it cannot be read as one.
qint64 CountLicensees(const QString& path);

// The three licence tables, one row per unique system identifier (a later row with the same identifier
// replaces the earlier one, as the FCC's daily files do).
namespace LicenceColumns {
// fcc_en: licensee name and address, plus the county found for its ZIP code.
enum En
{
    EnUsi,
    EnCallSign,
    EnEntityName,
    EnFirstName,
    EnMi,
    EnLastName,
    EnSuffix,
    EnStreetAddress,
    EnCity,
    EnState,
    EnZipCode,
    EnPoBox,
    EnFrn,
    EnCounty,
    EnCount
};
// fcc_am: the amateur licence.
enum Am
{
    AmUsi,
    AmCallSign,
    AmOperatorClass,
    AmGroupCode,
    AmRegionCode,
    AmTrusteeCallsign,
    AmPreviousCallsign,
    AmPreviousOperatorClass,
    AmCount
};
// fcc_hd: the licence header with its status and dates.
enum Hd
{
    HdUsi,
    HdCallSign,
    HdLicenseStatus,
    HdRadioServiceCode,
    HdGrantDate,
    HdExpiredDate,
    HdCancellationDate,
    HdEffectiveDate,
    HdLastActionDate,
    HdCount
};
} // namespace LicenceColumns

// Values of one row as UTF-8 bytes, in the column order above; the identifier is a decimal number. The
// bytes are only looked at while the row is added.
using TEnRow = std::array<QByteArrayView, LicenceColumns::EnCount>;
using TAmRow = std::array<QByteArrayView, LicenceColumns::AmCount>;
using THdRow = std::array<QByteArrayView, LicenceColumns::HdCount>;

// A licence data file being written. The rows go in inside one transaction; Finish adds the indexes and
// commits. A store destroyed before Finish leaves an incomplete file for the caller to remove.
class TLicenceStore
{
public:
    enum class Mode
    {
        // A new file: path must not exist yet; the three tables are created empty.
        Create,
        // An existing licence data file (a copy the caller made) whose rows are replaced or added.
        Update
    };

    explicit TLicenceStore(const QString& path, Mode mode = Mode::Create);
    ~TLicenceStore();
    TLicenceStore(const TLicenceStore&) = delete;
    TLicenceStore& operator=(const TLicenceStore&) = delete;

    void AddEn(const TEnRow& row);
    void AddAm(const TAmRow& row);
    void AddHd(const THdRow& row);

    // The licensees (rows of fcc_en) the file holds so far.
    qint64 Licensees();

    // Indexes the call signs, commits and closes the file.
    void Finish();

private:
    void Close();
    void Exec(const char* sql);
    sqlite3_stmt* Prepare(const char* sql);
    template <std::size_t N> void Insert(sqlite3_stmt* statement, const std::array<QByteArrayView, N>& row);

    sqlite3* fDb = nullptr;
    sqlite3_stmt* fInsertEn = nullptr;
    sqlite3_stmt* fInsertAm = nullptr;
    sqlite3_stmt* fInsertHd = nullptr;
};
