#pragma once

#include "Utf8.h"

#include <QByteArray>
#include <QByteArrayView>
#include <algorithm>
#include <charconv>
#include <cstring>

// Text is handed to a file in pieces of about this size.
inline constexpr qsizetype kWriteChunk = 256 * 1024;

// Appends text to a QByteArray through a plain pointer, into room made once beforehand: the files of a
// large log are put together from many millions of short pieces, and a QByteArray::append() for each
// costs more than copying the piece. The caller makes room for the most the text can take; should a piece
// not fit all the same, the array grows, so no text is ever written past its end. What was not used is
// given back when the cursor goes.
class TTextCursor
{
public:
    TTextCursor(QByteArray& out, qsizetype room) : fOut(out)
    {
        const qsizetype start = out.size();
        out.resize(start + room);
        fP = out.data() + start;
        fEnd = out.data() + out.size();
    }
    ~TTextCursor() { Finish(); }
    TTextCursor(const TTextCursor&) = delete;
    TTextCursor& operator=(const TTextCursor&) = delete;

    // Gives back the room not used: the text ends where the cursor stands.
    void Finish() { fOut.truncate(Offset()); }

    // Where the next byte goes, counted from the start of the array.
    qsizetype Offset() const { return fP - fOut.constData(); }
    // The text written from an offset on.
    QByteArrayView Since(qsizetype offset) const { return QByteArrayView(fOut.constData() + offset, fP); }
    // Goes back to an earlier offset, dropping what was written after it.
    void BackTo(qsizetype offset) { fP = fOut.data() + offset; }

    void Append(char c)
    {
        Reserve(1);
        *fP++ = c;
    }
    void Append(QByteArrayView text)
    {
        if (!text.isEmpty()) {
            Reserve(text.size());
            std::memcpy(fP, text.data(), size_t(text.size()));
            fP += text.size();
        }
    }
    void Fill(qsizetype count, char c)
    {
        Reserve(count);
        std::memset(fP, c, size_t(count));
        fP += count;
    }
    // Appends the bytes of the text but every occurrence of drop.
    void AppendWithout(QByteArrayView text, char drop)
    {
        Reserve(text.size());
        char* p = fP;
        for (const char c : text) {
            *p = c;
            p += c != drop;
        }
        fP = p;
    }
    // A number in decimal: at most 20 bytes.
    void AppendNumber(qsizetype number)
    {
        Reserve(24);
        fP = std::to_chars(fP, fEnd, number).ptr;
    }

    // Appends UTF-8 text with every line-breaking character turned into one blank (OneLine::Breaks) and
    // every occurrence of skip (an ASCII character; none when 0) left out; at most text.size() bytes.
    // Returns the number of characters appended.
    qsizetype AppendOneLine(QByteArrayView text, char skip = 0)
    {
        if (Utf8::IsPrintableAscii(text) && (skip == 0 || !text.contains(skip))) {
            Append(text);
            return text.size();
        }
        Reserve(text.size());
        qsizetype count = 0;
        fP = Utf8::WriteOneLine(fP, text, skip, count);
        return count;
    }

private:
    // Makes sure that n more bytes fit: the array grows when the room made beforehand falls short.
    void Reserve(qsizetype n)
    {
        if (fEnd - fP < n) [[unlikely]] {
            Grow(n);
        }
    }
    void Grow(qsizetype n)
    {
        const qsizetype used = Offset();
        fOut.resize(std::max(used + n, fOut.size() * 2));
        fP = fOut.data() + used;
        fEnd = fOut.data() + fOut.size();
    }

    QByteArray& fOut;
    char* fP;
    char* fEnd;
};
