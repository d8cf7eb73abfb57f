#pragma once

#include <QByteArray>
#include <QString>
#include <QStringEncoder>
#include <QStringView>

// Appends the UTF-8 form of a text to a byte buffer and returns the number of bytes appended. Plain
// ASCII, by far the most common, is copied byte by byte without a conversion buffer.
inline qsizetype AppendUtf8(QByteArray& out, QStringView text)
{
    const qsizetype start = out.size();
    bool ascii = true;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        out.resize(start + text.size());
        char* p = out.data() + start;
        for (const QChar c : text) {
            *p++ = char(c.unicode());
        }
        return text.size();
    }
    QStringEncoder encoder(QStringEncoder::Utf8);
    out.resize(start + encoder.requiredSpace(text.size()));
    char* end = encoder.appendToBuffer(out.data() + start, text);
    out.resize(end - out.constData());
    return out.size() - start;
}

// Exact comparison with a plain ASCII literal; the lengths are compared first, so that the comparisons made
// for every row of a large log cost next to nothing when they differ.
inline bool EqualsAscii(QStringView text, QLatin1String literal)
{
    if (text.size() != literal.size()) {
        return false;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() != char16_t(quint8(literal[i].toLatin1()))) {
            return false;
        }
    }
    return true;
}
