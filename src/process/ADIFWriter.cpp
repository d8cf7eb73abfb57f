#include "ADIFWriter.h"

#include "Utf8.h"
#include "data/MyFunc.h"
#include "data/OneLine.h"

#include <charconv>

QByteArray ADIFHeader()
{
    return QByteArrayLiteral("ADIF Export from Vantrel Verson: 6.2\n<ADIF_VER:4>2.71\n<EOH>");
}

void AppendADIFField(QByteArray& out, const char* prefix, const QString& value, const char* type)
{
    out.append(prefix);
    const qsizetype tagEnd = out.size();
    // The value goes in first, so that its bytes are counted as written; the rest of the tag is then
    // put in front of it.
    // Control characters become blanks, as in the other output files; the length counts what is written.
    const qsizetype length = AppendUtf8(out, OneLine::Clean(value));
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof(digits), length).ptr;
    out.insert(tagEnd, '>');
    if (type) {
        out.insert(tagEnd, type);
    }
    out.insert(tagEnd, QByteArrayView(digits, end - digits));
}

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
    AppendADIFField(out, "<qso_date:", row.Value(QStringLiteral("_date")).remove(QLatin1Char('-')), ":d");
    AppendADIFField(out, " <time_on:", row.Value(QStringLiteral("_time")).remove(QLatin1Char(':')));
    AppendADIFField(out, " <call:", row.Value(QStringLiteral("_call")));
    if (row.Has(QStringLiteral("_name"))) {
        AppendADIFField(out, " <name:", row.Value(QStringLiteral("_name")));
    }
    if (row.Has(QStringLiteral("_mode"))) {
        const QString mode = row.Value(QStringLiteral("_mode"));
        AppendADIFField(out, " <mode:", mode);
        // Phone contacts exchange a two-digit report, all others three digits.
        if (mode == QLatin1String("SSB") || mode == QLatin1String("AM") || mode == QLatin1String("FM")) {
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
    AppendADIFField(out, "<SRX_STRING:", tenten + QLatin1Char('-') + epc + QLatin1Char('-') + p070);
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
