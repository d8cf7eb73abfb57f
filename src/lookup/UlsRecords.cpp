#include "UlsRecords.h"

#include <QStringDecoder>
#include <cstring>

namespace {

// Field positions, counted from 1 as the FCC's data definitions number them.
namespace EnField {
constexpr int CallSign = 5;
constexpr int EntityName = 8;
constexpr int FirstName = 9;
constexpr int Mi = 10;
constexpr int LastName = 11;
constexpr int Suffix = 12;
constexpr int StreetAddress = 16;
constexpr int City = 17;
constexpr int State = 18;
constexpr int ZipCode = 19;
constexpr int PoBox = 20;
constexpr int Frn = 23;
} // namespace EnField

namespace AmField {
constexpr int CallSign = 5;
constexpr int OperatorClass = 6;
constexpr int GroupCode = 7;
constexpr int RegionCode = 8;
constexpr int TrusteeCallsign = 9;
constexpr int PreviousCallsign = 16;
constexpr int PreviousOperatorClass = 17;
} // namespace AmField

namespace HdField {
constexpr int CallSign = 5;
constexpr int LicenseStatus = 6;
constexpr int RadioServiceCode = 7;
constexpr int GrantDate = 8;
constexpr int ExpiredDate = 9;
constexpr int CancellationDate = 10;
constexpr int EffectiveDate = 43;
constexpr int LastActionDate = 44;
} // namespace HdField

// More fields than any record type has; the rest of a longer line is ignored.
constexpr int kMaxFields = 64;

// The fields of one line, split at "|", each without surrounding blanks.
class TFields
{
public:
    TFields(QByteArrayView line, QByteArray& buffer)
    {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        line = Utf8(line, buffer);
        const char* at = line.data();
        const char* const end = at + line.size();
        while (fCount < kMaxFields) {
            const auto* bar = static_cast<const char*>(std::memchr(at, '|', size_t(end - at)));
            const char* fieldEnd = bar ? bar : end;
            fFields[fCount++] = QByteArrayView(at, fieldEnd - at).trimmed();
            if (!bar) {
                break;
            }
            at = bar + 1;
        }
    }

    int Count() const { return fCount; }

    // The field at a 1-based position; empty past the end of the line.
    QByteArrayView operator[](int position) const
    {
        return position <= fCount ? fFields[position - 1] : QByteArrayView();
    }

    // The common start of every record: its type, a numeric identifier and a call sign.
    bool IsRecord(const char* type, int minFields, int callSignPosition) const
    {
        if (fCount < minFields || fFields[0] != QByteArrayView(type)) {
            return false;
        }
        const QByteArrayView usi = fFields[1];
        if (usi.isEmpty() || usi.size() > 18) {
            return false;
        }
        for (const char c : usi) {
            if (c < '0' || c > '9') {
                return false;
            }
        }
        return !(*this)[callSignPosition].isEmpty();
    }

private:
    static QByteArrayView Utf8(QByteArrayView line, QByteArray& buffer)
    {
        bool ascii = true;
        for (const char c : line) {
            if (static_cast<unsigned char>(c) >= 0x80) {
                ascii = false;
                break;
            }
        }
        if (ascii) {
            return line;
        }
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8.decode(line);
        if (!utf8.hasError()) {
            return line;
        }
        buffer = QString::fromLatin1(line).toUtf8();
        return buffer;
    }

    std::array<QByteArrayView, kMaxFields> fFields;
    int fCount = 0;
};

} // namespace

namespace UlsRecords {

using namespace LicenceColumns;

bool ParseEn(QByteArrayView line, QByteArray& buffer, TEnRow& row)
{
    const TFields f(line, buffer);
    if (!f.IsRecord("EN", EnField::PoBox, EnField::CallSign)) {
        return false;
    }
    row[EnUsi] = f[2];
    row[EnCallSign] = f[EnField::CallSign];
    row[EnEntityName] = f[EnField::EntityName];
    row[EnFirstName] = f[EnField::FirstName];
    row[EnMi] = f[EnField::Mi];
    row[EnLastName] = f[EnField::LastName];
    row[EnSuffix] = f[EnField::Suffix];
    row[EnStreetAddress] = f[EnField::StreetAddress];
    row[EnCity] = f[EnField::City];
    row[EnState] = f[EnField::State];
    row[EnZipCode] = f[EnField::ZipCode];
    row[EnPoBox] = f[EnField::PoBox];
    row[EnFrn] = f[EnField::Frn];
    row[EnCounty] = QByteArrayView();
    return true;
}

bool ParseAm(QByteArrayView line, QByteArray& buffer, TAmRow& row)
{
    const TFields f(line, buffer);
    if (!f.IsRecord("AM", AmField::PreviousOperatorClass, AmField::CallSign)) {
        return false;
    }
    row[AmUsi] = f[2];
    row[AmCallSign] = f[AmField::CallSign];
    row[AmOperatorClass] = f[AmField::OperatorClass];
    row[AmGroupCode] = f[AmField::GroupCode];
    row[AmRegionCode] = f[AmField::RegionCode];
    row[AmTrusteeCallsign] = f[AmField::TrusteeCallsign];
    row[AmPreviousCallsign] = f[AmField::PreviousCallsign];
    row[AmPreviousOperatorClass] = f[AmField::PreviousOperatorClass];
    return true;
}

bool ParseHd(QByteArrayView line, QByteArray& buffer, THdRow& row)
{
    const TFields f(line, buffer);
    if (!f.IsRecord("HD", HdField::CancellationDate, HdField::CallSign) ||
        f[HdField::LicenseStatus].isEmpty()) {
        return false;
    }
    row[HdUsi] = f[2];
    row[HdCallSign] = f[HdField::CallSign];
    row[HdLicenseStatus] = f[HdField::LicenseStatus];
    row[HdRadioServiceCode] = f[HdField::RadioServiceCode];
    row[HdGrantDate] = f[HdField::GrantDate];
    row[HdExpiredDate] = f[HdField::ExpiredDate];
    row[HdCancellationDate] = f[HdField::CancellationDate];
    row[HdEffectiveDate] = f[HdField::EffectiveDate];
    row[HdLastActionDate] = f[HdField::LastActionDate];
    return true;
}

} // namespace UlsRecords
