#include "ADIFWriter.h"

#include "Utf8.h"
#include "data/MyFunc.h"
#include "data/OneLine.h"

#include <algorithm>
#include <charconv>
#include <cstring>

QByteArray ADIFHeader()
{
    return QByteArrayLiteral("ADIF Export from Vantrel Verson: 6.2\n<ADIF_VER:4>2.71\n<EOH>");
}

void AppendADIFField(QByteArray& out, const char* prefix, const QString& text, const char* type)
{
    // Control characters become blanks, as in the other output files; the length counts what is written.
    const QString value = OneLine::Clean(text);
    // Plain ASCII, by far the most common, counts one byte per character; other text is encoded first to
    // count its bytes.
    const bool ascii = std::all_of(value.begin(), value.end(), [](QChar c) { return c.unicode() < 0x80; });
    QByteArray encoded;
    if (!ascii) {
        AppendUtf8(encoded, value);
    }
    const qsizetype length = ascii ? value.size() : encoded.size();
    char digits[24];
    const qsizetype digitCount = std::to_chars(digits, digits + sizeof(digits), length).ptr - digits;
    const qsizetype prefixSize = qsizetype(std::strlen(prefix));
    const qsizetype typeSize = type ? qsizetype(std::strlen(type)) : 0;
    // The whole field is written in place after one resize: a record is some fifteen fields, a log a
    // million records.
    const qsizetype start = out.size();
    out.resize(start + prefixSize + digitCount + typeSize + 1 + length);
    char* p = out.data() + start;
    p = std::copy_n(prefix, prefixSize, p);
    p = std::copy_n(digits, digitCount, p);
    p = std::copy_n(type ? type : "", typeSize, p);
    *p++ = '>';
    if (ascii) {
        for (const QChar c : value) {
            *p++ = char(c.unicode());
        }
    } else {
        std::copy_n(encoded.constData(), length, p);
    }
}

namespace {

// A text with every occurrence of one character left out, in a buffer reused from call to call (the
// date and time of every record).
const QString& Without(const QString& text, char16_t drop)
{
    thread_local QString buffer;
    buffer.resize(0);
    for (const QChar c : text) {
        if (c.unicode() != drop) {
            buffer.append(c);
        }
    }
    return buffer;
}

} // namespace

void AppendADIFRecord(QByteArray& out, const TLogRow& row, bool comments, const TCountryLookup& dxcc,
                      const QString& stationCallsign)
{
    QString rst = QStringLiteral("599");
    QString tenten = QStringLiteral("0");
    QString epc = QStringLiteral("0");
    QString p070 = QStringLiteral("0");
    QString state;
    QString comment;

    // The date's length is that of the value written, so a date not stored as yyyy-mm-dd cannot make a
    // reader take the next field's text as part of the date.
    AppendADIFField(out, "<qso_date:", Without(row.Value(QStringLiteral("_date")), u'-'), ":d");
    AppendADIFField(out, " <time_on:", Without(row.Value(QStringLiteral("_time")), u':'));
    AppendADIFField(out, " <call:", row.Value(QStringLiteral("_call")));
    if (row.Has(QStringLiteral("_name"))) {
        AppendADIFField(out, " <name:", row.Value(QStringLiteral("_name")));
    }
    if (row.Has(QStringLiteral("_mode"))) {
        const QString mode = row.Value(QStringLiteral("_mode"));
        AppendADIFField(out, " <mode:", mode);
        // Phone contacts exchange a two-digit report, all others three digits.
        if (EqualsAscii(mode, QLatin1String("SSB")) || EqualsAscii(mode, QLatin1String("AM")) ||
            EqualsAscii(mode, QLatin1String("FM"))) {
            rst = QStringLiteral("59");
        }
    }
    AppendADIFField(out, " <rst_rcvd:", rst);
    AppendADIFField(out, "<rst_sent:", rst);
    out.append("<band:3>10M");
    if (row.Has(QStringLiteral("_qth"))) {
        const QString qth = row.Value(QStringLiteral("_qth"));
        if (CharCount(qth) <= 2) {
            // A state code (or nothing): a contact in the United States.
            AppendADIFField(out, " <state:", qth);
            out.append(" <dxcc:3>291");
            state = qth;
            const QString county = row.Value(QStringLiteral("_uscounty")).trimmed();
            if (!state.isEmpty() && !county.isEmpty()) {
                AppendADIFField(out, " <cnty:", state + QLatin1Char(',') + county);
            }
        } else {
            AppendADIFField(out, "<dxcc:", dxcc(qth));
        }
    }
    if (row.Has(QStringLiteral("_tenten"))) {
        tenten = row.Value(QStringLiteral("_tenten"));
        if (tenten.isEmpty()) {
            tenten = QStringLiteral("0");
        }
        AppendADIFField(out, "<ten_ten:", tenten);
    }
    const QString vp = row.Value(QStringLiteral("_vp"));
    if (!vp.isEmpty()) {
        AppendADIFField(out, " <vp:", vp);
        comment += QStringLiteral("VP:") + vp + QLatin1Char(' ');
    }
    const QString rowEpc = row.Value(QStringLiteral("_epc"));
    if (!rowEpc.isEmpty()) {
        AppendADIFField(out, " <epc:", rowEpc);
        epc = rowEpc;
        comment += QStringLiteral("EPC:") + rowEpc + QLatin1Char(' ');
    }
    const QString rowP070 = row.Value(QStringLiteral("_p070"));
    if (!rowP070.isEmpty()) {
        AppendADIFField(out, " <p070:", rowP070);
        p070 = rowP070;
        comment += QStringLiteral("070:") + rowP070 + QLatin1Char(' ');
    }
    QString srx;
    srx.reserve(tenten.size() + epc.size() + p070.size() + 2);
    srx.append(tenten).append(QLatin1Char('-')).append(epc).append(QLatin1Char('-')).append(p070);
    AppendADIFField(out, "<SRX_STRING:", srx);
    if (comments) {
        AppendADIFField(out, " <comment:", comment.trimmed());
    }
    if (!stationCallsign.isEmpty()) {
        AppendADIFField(out, " <station_callsign:", stationCallsign);
    }
    out.append("<eor>");
}

QString ADIFRecord(const TLogRow& row, bool comments, const TCountryLookup& dxcc,
                   const QString& stationCallsign)
{
    QByteArray out;
    AppendADIFRecord(out, row, comments, dxcc, stationCallsign);
    return QString::fromUtf8(out);
}
