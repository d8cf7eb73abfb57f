#include "ADIFWriter.h"

#include "TTextCursor.h"
#include "Utf8.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <utility>

namespace {

// The most a field adds beside its value: the longest opening, 20 digits, the type and ">".
constexpr qsizetype kFieldRoom = 48;

// Appends one field of a UTF-8 value, as AppendADIFField describes it.
void AppendField(TTextCursor& out, QByteArrayView prefix, QByteArrayView text, QByteArrayView type = {})
{
    // Control characters become blanks, as in the other output files; the length counts what is written.
    QByteArrayView value = text;
    if (!Utf8::IsPrintableAscii(text) && Utf8::HasBreak(text)) {
        thread_local QByteArray cleaned;
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

// Appends one field whose value is the pieces one after the other. Plain pieces, the common case, are
// copied where they lie; others are joined first and cleaned as one value.
void AppendJoinedField(TTextCursor& out, QByteArrayView prefix, std::initializer_list<QByteArrayView> pieces)
{
    qsizetype size = 0;
    bool plain = true;
    for (const QByteArrayView piece : pieces) {
        size += piece.size();
        plain = plain && Utf8::IsPrintableAscii(piece);
    }
    if (!plain) {
        thread_local QByteArray joined;
        joined.resize(0);
        for (const QByteArrayView piece : pieces) {
            joined.append(piece);
        }
        AppendField(out, prefix, joined);
        return;
    }
    out.Append(prefix);
    out.AppendNumber(size);
    out.Append('>');
    for (const QByteArrayView piece : pieces) {
        out.Append(piece);
    }
}

// Appends one field of a value with every occurrence of one character left out (the separators of a date
// or a time).
void AppendFieldWithout(TTextCursor& out, QByteArrayView prefix, QByteArrayView text, char drop,
                        QByteArrayView type = {})
{
    if (!Utf8::IsPrintableAscii(text)) {
        thread_local QByteArray kept;
        kept.resize(0);
        kept.reserve(text.size());
        for (const char c : text) {
            if (c != drop) {
                kept.append(c);
            }
        }
        AppendField(out, prefix, kept, type);
        return;
    }
    out.Append(prefix);
    out.AppendNumber(text.size() - std::count(text.begin(), text.end(), drop));
    out.Append(type);
    out.Append('>');
    out.AppendWithout(text, drop);
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
    const QByteArrayView typeText = type ? QByteArrayView(type) : QByteArrayView();
    TTextCursor cursor(out, qsizetype(std::strlen(prefix)) + 24 + typeText.size() + text.size());
    AppendField(cursor, prefix, text, typeText);
}

void AppendADIFRecord(QByteArray& out, const TContactText& contact, bool comments, TCountryCodes& dxcc,
                      QByteArrayView stationCallsign)
{
    const bool us = contact.hasQth && Utf8::CharCount(contact.qth) <= 2;
    const QByteArray code = contact.hasQth && !us ? dxcc.Code(contact.qth) : QByteArray();
    // Some twenty fields and 64 bytes of fixed text; a value is written at most three times (a club number in
    // its field, SRX_STRING and the comment).
    TTextCursor cursor(out, 20 * kFieldRoom + 64 + 3 * contact.Size() + code.size() + stationCallsign.size());

    QByteArrayView tenten = "0";
    QByteArrayView epc = "0";
    QByteArrayView p070 = "0";

    // The date's length is that of the value written, so a date not stored as yyyy-mm-dd cannot make a
    // reader take the next field's text as part of the date.
    AppendFieldWithout(cursor, "<qso_date:", contact.date, '-', ":d");
    AppendFieldWithout(cursor, " <time_on:", contact.time, ':');
    AppendField(cursor, " <call:", contact.call);
    if (contact.hasName) {
        AppendField(cursor, " <name:", contact.name);
    }
    if (contact.hasMode) {
        AppendField(cursor, " <mode:", contact.mode);
    }
    // Phone contacts exchange a two-digit report, all others three digits.
    const QByteArrayView mode = contact.mode;
    const bool phone = contact.hasMode && (mode == QByteArrayView("SSB") || mode == QByteArrayView("AM") ||
                                           mode == QByteArrayView("FM"));
    cursor.Append(phone ? QByteArrayView(" <rst_rcvd:2>59<rst_sent:2>59<band:3>10M")
                        : QByteArrayView(" <rst_rcvd:3>599<rst_sent:3>599<band:3>10M"));
    if (us) {
        // A state code (or nothing): a contact in the United States.
        AppendField(cursor, " <state:", contact.qth);
        cursor.Append(" <dxcc:3>291");
        const QByteArrayView county = Utf8::Trimmed(contact.uscounty);
        if (!contact.qth.isEmpty() && !county.isEmpty()) {
            AppendJoinedField(cursor, " <cnty:", {contact.qth, ",", county});
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
    if (!contact.vp.isEmpty()) {
        AppendField(cursor, " <vp:", contact.vp);
    }
    if (!contact.epc.isEmpty()) {
        AppendField(cursor, " <epc:", contact.epc);
        epc = contact.epc;
    }
    if (!contact.p070.isEmpty()) {
        AppendField(cursor, " <p070:", contact.p070);
        p070 = contact.p070;
    }
    AppendJoinedField(cursor, "<SRX_STRING:", {tenten, "-", epc, "-", p070});
    if (comments) {
        // "VP:<vp> EPC:<epc> 070:<p070>" of the numbers the contact has, without blanks at either end.
        thread_local QByteArray comment;
        comment.resize(0);
        {
            TTextCursor text(comment, 14 + contact.vp.size() + contact.epc.size() + contact.p070.size());
            for (const auto& [label, value] : {std::pair{QByteArrayView("VP:"), contact.vp},
                                               std::pair{QByteArrayView("EPC:"), contact.epc},
                                               std::pair{QByteArrayView("070:"), contact.p070}}) {
                if (!value.isEmpty()) {
                    text.Append(label);
                    text.Append(value);
                    text.Append(' ');
                }
            }
        }
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
