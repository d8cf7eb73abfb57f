#pragma once

#include "data/OneLine.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <algorithm>

// The values of the output files worked on as UTF-8 text, as the log holds them, without a detour through
// QString. Each function gives what its QString counterpart gives for the same text: characters are code
// points (a character written as a surrogate pair in QString is one), blanks are those of QChar::isSpace()
// and line-breaking characters those of OneLine. The text must be valid UTF-8.
namespace Utf8 {

// The number of bytes of the character that starts with this byte.
constexpr qsizetype SequenceLength(quint8 lead)
{
    return lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

constexpr bool IsContinuation(char c)
{
    return (quint8(c) & 0xC0) == 0x80;
}

// The character of the length bytes at p.
inline char32_t Decode(const char* p, qsizetype length)
{
    if (length == 1) {
        return quint8(*p);
    }
    char32_t c = quint8(*p) & (0x7F >> length);
    for (qsizetype i = 1; i < length; ++i) {
        c = (c << 6) | (quint8(p[i]) & 0x3F);
    }
    return c;
}

// The number of characters: every byte but a continuation byte starts one.
inline qsizetype CharCount(QByteArrayView text)
{
    return text.size() - std::count_if(text.begin(), text.end(), IsContinuation);
}

// The first n characters (all of them when there are fewer).
inline QByteArrayView FirstChars(QByteArrayView text, qsizetype n)
{
    qsizetype end = 0;
    for (qsizetype taken = 0; taken < n && end < text.size(); ++taken) {
        end += std::min(SequenceLength(quint8(text[end])), text.size() - end);
    }
    return text.first(end);
}

// The text without the blanks at its start and end, as QString::trimmed() leaves it.
inline QByteArrayView Trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end) {
        const qsizetype length = std::min(SequenceLength(quint8(text[begin])), end - begin);
        if (!QChar::isSpace(Decode(text.data() + begin, length))) {
            break;
        }
        begin += length;
    }
    while (end > begin) {
        qsizetype start = end - 1;
        while (start > begin && IsContinuation(text[start])) {
            --start;
        }
        if (!QChar::isSpace(Decode(text.data() + start, end - start))) {
            break;
        }
        end = start;
    }
    return text.sliced(begin, end - begin);
}

// Whether every byte is a printable ASCII character (blank to tilde): the common value, which needs no
// cleaning. The loop runs to the end, short as the values are, so that it compiles without a branch a byte.
inline bool IsPrintableAscii(QByteArrayView text)
{
    bool printable = true;
    for (const char c : text) {
        printable &= unsigned(quint8(c)) - 0x20u < 0x5Fu;
    }
    return printable;
}

// Whether the text holds a character that breaks a line or a column (OneLine::Breaks): a C0 control or
// DEL, a C1 control (C2 80 to C2 9F) or the line or paragraph separator (E2 80 A8, E2 80 A9).
inline bool HasBreak(QByteArrayView text)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const quint8 b = quint8(text[i]);
        if (b < 0x20 || b == 0x7F) {
            return true;
        }
        if (b == 0xC2 && i + 1 < size && quint8(text[i + 1]) <= 0x9F) {
            return true;
        }
        if (b == 0xE2 && i + 2 < size && quint8(text[i + 1]) == 0x80 &&
            (quint8(text[i + 2]) == 0xA8 || quint8(text[i + 2]) == 0xA9)) {
            return true;
        }
    }
    return false;
}

// Writes the text at p with every line-breaking character turned into one blank and every occurrence of
// skip (an ASCII character; none when 0) left out: at most text.size() bytes. Returns the end of what was
// written and adds the number of characters written to count.
inline char* WriteOneLine(char* p, QByteArrayView text, char skip, qsizetype& count)
{
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = std::min(SequenceLength(quint8(text[i])), text.size() - i);
        const char32_t c = Decode(text.data() + i, length);
        if (skip == 0 || c != char32_t(quint8(skip))) {
            if (c <= 0xFFFF && OneLine::Breaks(char16_t(c))) {
                *p++ = ' ';
            } else {
                p = std::copy_n(text.data() + i, length, p);
            }
            ++count;
        }
        i += length;
    }
    return p;
}

} // namespace Utf8
