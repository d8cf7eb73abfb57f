#include "SpotLine.h"

#include "data/Errors.h"
#include "feeds/TRigControl.h"

#include <QRegularExpression>
#include <QStringList>
#include <cmath>

namespace {

// Control characters (bells, tabs, escape sequences) become blanks, and runs of blanks one.
QString Printable(const QString& text)
{
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (const QChar c : text) {
        const bool control = c.unicode() < 0x20 || c.unicode() == 0x7f ||
                             c.category() == QChar::Other_Control || c.category() == QChar::Other_Format;
        if (control || c.isSpace()) {
            blank = true;
            continue;
        }
        if (blank && !out.isEmpty()) {
            out += QLatin1Char(' ');
        }
        blank = false;
        out += c;
    }
    return out;
}

} // namespace

bool LooksLikeCall(const QString& call)
{
    if (call.isEmpty() || call.size() > 20) {
        return false;
    }
    bool letter = false;
    bool digit = false;
    for (const QChar c : call) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digit = true;
        } else if ((c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                   (c >= QLatin1Char('a') && c <= QLatin1Char('z'))) {
            letter = true;
        } else if (c != QLatin1Char('/')) {
            return false;
        }
    }
    return letter && digit;
}

QString SpotModeWord(const QString& word)
{
    const QString w = word.toUpper();
    if (w == QLatin1String("USB") || w == QLatin1String("LSB") || w == QLatin1String("SSB")) {
        return QStringLiteral("SSB");
    }
    static const QStringList modes = {
        QStringLiteral("CW"),     QStringLiteral("FM"),   QStringLiteral("AM"),     QStringLiteral("RTTY"),
        QStringLiteral("FT8"),    QStringLiteral("FT4"),  QStringLiteral("PSK31"),  QStringLiteral("PSK63"),
        QStringLiteral("PSK"),    QStringLiteral("JT65"), QStringLiteral("JT9"),    QStringLiteral("MFSK"),
        QStringLiteral("OLIVIA"), QStringLiteral("SSTV"), QStringLiteral("MSK144"), QStringLiteral("Q65"),
        QStringLiteral("JS8")};
    return modes.contains(w) ? w : QString();
}

std::optional<TSpot> ParseSpotLine(QByteArrayView line)
{
    if (line.size() > kMaxClusterLine) {
        return std::nullopt;
    }
    const QString text = Printable(QString::fromUtf8(line));
    static const QRegularExpression head(
        QStringLiteral("^DX de ([A-Za-z0-9/#-]{1,20}):?\\s*(\\d{1,9}(?:\\.\\d{0,6})?)\\s+([A-Za-z0-9/]{1,20})"
                       "(?:\\s+(.*))?\\z"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = head.match(text);
    if (!m.hasMatch() || !LooksLikeCall(m.captured(3))) {
        return std::nullopt;
    }
    TSpot spot;
    spot.spotter = m.captured(1).toUpper();
    spot.skimmer = spot.spotter.endsWith(QLatin1String("-#"));
    // At most nine digits before the point: the product stays far inside a 64-bit integer.
    spot.hertz = std::llround(m.captured(2).toDouble() * 1000.0);
    if (spot.hertz <= 0) {
        return std::nullopt;
    }
    spot.call = m.captured(3).toUpper();

    // The time closes the line, "1234Z", and some clusters add the spotter's grid square after it.
    QString rest = m.captured(4);
    static const QRegularExpression tail(
        QStringLiteral("(?:^|\\s)(\\d{2})(\\d{2})Z(?:\\s+([A-Ra-r]{2}\\d{2}(?:[A-Xa-x]{2})?))?\\z"));
    const QRegularExpressionMatch t = tail.match(rest);
    if (t.hasMatch()) {
        spot.time = QTime(t.captured(1).toInt(), t.captured(2).toInt());
        spot.locator = t.captured(3).toUpper();
        rest.truncate(t.capturedStart(0));
    }
    spot.comment = rest.trimmed();

    const QStringList words = spot.comment.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& word : words) {
        spot.mode = SpotModeWord(word);
        if (!spot.mode.isEmpty()) {
            break;
        }
    }
    if (spot.skimmer) {
        static const QRegularExpression snr(QStringLiteral("(?:^|\\s)([-+]?\\d{1,3}) ?dB\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression speed(QStringLiteral("(?:^|\\s)(\\d{1,4}) ?(?:WPM|BPS)\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
        if (const QRegularExpressionMatch s = snr.match(spot.comment); s.hasMatch()) {
            spot.snr = s.captured(1).toInt();
        }
        if (const QRegularExpressionMatch s = speed.match(spot.comment); s.hasMatch()) {
            spot.speed = s.captured(1).toInt();
        }
        spot.cq = words.contains(QLatin1String("CQ"), Qt::CaseInsensitive);
    }
    return spot;
}

std::optional<qint64> ParseSpotFrequency(const QString& text)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    static const QRegularExpression number(QStringLiteral("^\\d{1,8}(?:\\.\\d{0,6})?\\z"));
    if (!number.match(t).hasMatch()) {
        return std::nullopt;
    }
    const double value = t.toDouble();
    // Megahertz below a hundred, kilohertz above.
    const qint64 hertz = std::llround(value < 100 ? value * 1e6 : value * 1e3);
    if (!IsTenMetres(hertz)) {
        return std::nullopt;
    }
    return hertz;
}

QByteArray SpotCommand(qint64 hertz, const QString& call, const QString& comment)
{
    const QString upper = call.trimmed().toUpper();
    if (!LooksLikeCall(upper)) {
        throw EVantrel(QStringLiteral("Not a call sign to spot: %1").arg(Printable(call)));
    }
    if (!IsTenMetres(hertz)) {
        throw EVantrel(QStringLiteral("The frequency %1 is outside the 10 m band").arg(FrequencyText(hertz)));
    }
    QString command = QStringLiteral("DX %1 %2").arg(QString::number(double(hertz) / 1000.0, 'f', 1), upper);
    const QString note = Printable(comment);
    if (!note.isEmpty()) {
        command += QLatin1Char(' ') + note;
    }
    return command.toUtf8() + "\r\n";
}
