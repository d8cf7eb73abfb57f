#pragma once

#include <QByteArray>
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
