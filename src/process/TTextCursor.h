#pragma once

#include "Utf8.h"

#include <QByteArray>
#include <QByteArrayView>
#include <charconv>
#include <cstring>

// Appends text to a QByteArray through a plain pointer, into room made once beforehand: the files of a
// large log are put together from many millions of short pieces, and a QByteArray::append() for each
// costs more than copying the piece. The caller makes room for the most the text can take; what was not
// used is given back when the cursor goes.
class TTextCursor
{
public:
    TTextCursor(QByteArray& out, qsizetype room) : fOut(out)
    {
        const qsizetype start = out.size();
        out.resize(start + room);
        fP = out.data() + start;
    }
    ~TTextCursor() { Finish(); }
    TTextCursor(const TTextCursor&) = delete;
    TTextCursor& operator=(const TTextCursor&) = delete;

    // Gives back the room not used: the text ends where the cursor stands.
    void Finish()
    {
        Q_ASSERT(fP <= fOut.constData() + fOut.size()); // the text stayed within the room made for it
        fOut.truncate(fP - fOut.constData());
    }

    // Where the next byte goes; going back to an earlier position drops what was written after it.
    char* Position() const { return fP; }
    void SetPosition(char* p) { fP = p; }

    void Append(char c) { *fP++ = c; }
    void Append(QByteArrayView text)
    {
        if (!text.isEmpty()) {
            std::memcpy(fP, text.data(), size_t(text.size()));
            fP += text.size();
        }
    }
    void Fill(qsizetype count, char c)
    {
        std::memset(fP, c, size_t(count));
        fP += count;
    }
    // Appends the bytes of the text but every occurrence of drop.
    void AppendWithout(QByteArrayView text, char drop)
    {
        char* p = fP;
        for (const char c : text) {
            *p = c;
            p += c != drop;
        }
        fP = p;
    }
    // A number in decimal: at most 20 bytes.
    void AppendNumber(qsizetype number) { fP = std::to_chars(fP, fP + 24, number).ptr; }

    // Appends UTF-8 text with every line-breaking character turned into one blank (OneLine::Breaks) and
    // every occurrence of skip (an ASCII character; none when 0) left out; at most text.size() bytes.
    // Returns the number of characters appended.
    qsizetype AppendOneLine(QByteArrayView text, char skip = 0)
    {
        if (Utf8::IsPrintableAscii(text) && (skip == 0 || !text.contains(skip))) {
            Append(text);
            return text.size();
        }
        qsizetype count = 0;
        fP = Utf8::WriteOneLine(fP, text, skip, count);
        return count;
    }

private:
    QByteArray& fOut;
    char* fP;
};
