#include "ADIFWriter.h"

#include "TTextCursor.h"
#include "Utf8.h"

#include <cstring>

namespace {

// The most a field adds beside its value: the longest opening, 20 digits, the type and ">".
constexpr qsizetype kFieldRoom = 48;

// Appends one field of a UTF-8 value, as AppendADIFField describes it.
void AppendField(TTextCursor& out, QByteArrayView prefix, QByteArrayView text, QByteArrayView type = {})
{
    // Control characters become blanks, as in the other output files; the length counts what is written.
    thread_local QByteArray cleaned;
    QByteArrayView value = text;
    if (!Utf8::IsPrintableAscii(text) && Utf8::HasBreak(text)) {
        cleaned.resize(0);
        TTextCursor(cleaned, text.size()).AppendOneLine(text);
        value = cleaned;
    }
    out.Append(prefix);
    out.AppendNumber(value.size());
    out.Append(type);
    out.Append('>');
    out.Append(value);
}

// The text with every occurrence of one character left out, in a buffer reused from record to record.
QByteArrayView Without(QByteArrayView text, char drop, QByteArray& buffer)
{
    buffer.resize(0);
    TTextCursor out(buffer, text.size());
    for (const char c : text) {
        if (c != drop) {
            out.Append(c);
        }
    }
    out.Finish();
    return buffer;
}

} // namespace

QByteArray TCountryCodes::Code(QByteArrayView country)
{
    auto it = fCodes.constFind(QByteArray::fromRawData(country.data(), country.size()));
    if (it == fCodes.constEnd()) {
        it = fCodes.insert(country.toByteArray(), fLookup(QString::fromUtf8(country)).toUtf8());
    }
    return *it;
}

QByteArray ADIFHeader()
{
    return QByteArrayLiteral("ADIF Export from Vantrel Verson: 6.2\n<ADIF_VER:4>2.71\n<EOH>");
}

void AppendADIFField(QByteArray& out, const char* prefix, const QString& value, const char* type)
{
    const QByteArray text = value.toUtf8();
    TTextCursor cursor(out, qsizetype(std::strlen(prefix)) + kFieldRoom + text.size());
    AppendField(cursor, prefix, text, type);
}

void AppendADIFRecord(QByteArray& out, const TContactText& contact, bool comments, TCountryCodes& dxcc,
                      QByteArrayView stationCallsign)
{
    // Buffers for the values put together here, reused from record to record: a log is a million records.
    thread_local QByteArray date;
    thread_local QByteArray time;
    thread_local QByteArray joined;
    thread_local QByteArray comment;

    const bool us = contact.hasQth && Utf8::CharCount(contact.qth) <= 2;
    const QByteArray code = contact.hasQth && !us ? dxcc.Code(contact.qth) : QByteArray();
    // Some twenty fields and 64 bytes of fixed text; a value is written at most three times (a club number in
    // its field, SRX_STRING and the comment).
    TTextCursor cursor(out, 20 * kFieldRoom + 64 + 3 * contact.Size() + code.size() + stationCallsign.size());

    QByteArrayView rst = "599";
    QByteArrayView tenten = "0";
    QByteArrayView epc = "0";
    QByteArrayView p070 = "0";

    // The date's length is that of the value written, so a date not stored as yyyy-mm-dd cannot make a
    // reader take the next field's text as part of the date.
    AppendField(cursor, "<qso_date:", Without(contact.date, '-', date), ":d");
    AppendField(cursor, " <time_on:", Without(contact.time, ':', time));
    AppendField(cursor, " <call:", contact.call);
    if (contact.hasName) {
        AppendField(cursor, " <name:", contact.name);
    }
    if (contact.hasMode) {
        const QByteArrayView mode = contact.mode;
        AppendField(cursor, " <mode:", mode);
        // Phone contacts exchange a two-digit report, all others three digits.
        if (mode == QByteArrayView("SSB") || mode == QByteArrayView("AM") || mode == QByteArrayView("FM")) {
            rst = "59";
        }
    }
    AppendField(cursor, " <rst_rcvd:", rst);
    AppendField(cursor, "<rst_sent:", rst);
    cursor.Append("<band:3>10M");
    if (us) {
        // A state code (or nothing): a contact in the United States.
        AppendField(cursor, " <state:", contact.qth);
        cursor.Append(" <dxcc:3>291");
        const QByteArrayView county = Utf8::Trimmed(contact.uscounty);
        if (!contact.qth.isEmpty() && !county.isEmpty()) {
            joined.resize(0);
            joined.append(contact.qth.data(), contact.qth.size())
                .append(',')
                .append(county.data(), county.size());
            AppendField(cursor, " <cnty:", joined);
        }
    } else if (contact.hasQth) {
        AppendField(cursor, "<dxcc:", code);
    }
    if (contact.hasTenten) {
        if (!contact.tenten.isEmpty()) {
            tenten = contact.tenten;
        }
        AppendField(cursor, "<ten_ten:", tenten);
    }
    comment.resize(0);
    const auto addComment = [&](const char* label, QByteArrayView value) {
        comment.append(label).append(value.data(), value.size()).append(' ');
    };
    if (!contact.vp.isEmpty()) {
        AppendField(cursor, " <vp:", contact.vp);
        addComment("VP:", contact.vp);
    }
    if (!contact.epc.isEmpty()) {
        AppendField(cursor, " <epc:", contact.epc);
        epc = contact.epc;
        addComment("EPC:", contact.epc);
    }
    if (!contact.p070.isEmpty()) {
        AppendField(cursor, " <p070:", contact.p070);
        p070 = contact.p070;
        addComment("070:", contact.p070);
    }
    joined.resize(0);
    joined.append(tenten.data(), tenten.size()).append('-');
    joined.append(epc.data(), epc.size()).append('-');
    joined.append(p070.data(), p070.size());
    AppendField(cursor, "<SRX_STRING:", joined);
    if (comments) {
        AppendField(cursor, " <comment:", Utf8::Trimmed(comment));
    }
    if (!stationCallsign.isEmpty()) {
        AppendField(cursor, " <station_callsign:", stationCallsign);
    }
    cursor.Append("<eor>");
}

QString ADIFRecord(const TLogRow& row, bool comments, const TCountryLookup& dxcc,
                   const QString& stationCallsign)
{
    QByteArray out;
    TCountryCodes codes(dxcc);
    AppendADIFRecord(out, TContactCopy(row).Text(), comments, codes, stationCallsign.toUtf8());
    return QString::fromUtf8(out);
}
