// The licence import's line reader over any bytes: the record files are cut into lines as they arrive
// in pieces, each line read as an EN, AM and HD record. No line handed on is longer than the limit, the
// lines do not depend on how the bytes were cut, and a record read has a numeric identifier and a call
// sign.
#include "lookup/ArchiveText.h"
#include "lookup/UlsRecords.h"

#include <QList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// A short limit, so that inputs of a few kilobytes reach it.
constexpr qsizetype kMaxLine = 256;

// The lines of the input, fed in pieces of the given size; an overlong line shows as "<overlong>".
QList<QByteArray> Lines(QByteArrayView input, qsizetype piece)
{
    QList<QByteArray> lines;
    TLineSplitter splitter([&](QByteArrayView line) { lines << line.toByteArray(); },
                           [&] { lines << QByteArray("<overlong>"); }, kMaxLine);
    for (qsizetype at = 0; at < input.size(); at += piece) {
        splitter.Feed(QByteArrayView(input.data() + at, qMin(piece, input.size() - at)));
    }
    splitter.Finish();
    return lines;
}

void CheckRecord(const QByteArrayView usi, const QByteArrayView call)
{
    if (usi.isEmpty() || usi.size() > 18 || call.isEmpty()) {
        abort();
    }
    for (const char c : usi) {
        if (c < '0' || c > '9') {
            abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QByteArray> lines = Lines(input, 4096);
    if (Lines(input, 7) != lines || Lines(input, 1) != lines) {
        abort();
    }
    QByteArray buffer;
    for (const QByteArray& line : lines) {
        if (line.size() > kMaxLine) {
            abort();
        }
        TEnRow en;
        if (UlsRecords::ParseEn(line, buffer, en)) {
            CheckRecord(en[LicenceColumns::EnUsi], en[LicenceColumns::EnCallSign]);
        }
        TAmRow am;
        if (UlsRecords::ParseAm(line, buffer, am)) {
            CheckRecord(am[LicenceColumns::AmUsi], am[LicenceColumns::AmCallSign]);
        }
        THdRow hd;
        if (UlsRecords::ParseHd(line, buffer, hd)) {
            CheckRecord(hd[LicenceColumns::HdUsi], hd[LicenceColumns::HdCallSign]);
            if (hd[LicenceColumns::HdLicenseStatus].isEmpty()) {
                abort();
            }
        }
    }
    return 0;
}
