#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>

struct archive;

// Reads compressed files through libarchive: the members of a zip file one after another, or the text
// of a gzip-compressed file as its one member. Errors throw EVantrel naming the file.
class TArchiveReader
{
public:
    enum class Kind
    {
        Zip,
        Gzip
    };

    TArchiveReader(const QString& path, Kind kind);
    ~TArchiveReader();
    TArchiveReader(const TArchiveReader&) = delete;
    TArchiveReader& operator=(const TArchiveReader&) = delete;

    // Moves to the next member and gives its name (path inside the archive); false after the last one.
    bool NextMember(QString& name);
    // True when the current member is a plain file (not a link, a folder or a device).
    bool MemberIsFile() const { return fMemberIsFile; }
    // Reads the current member's next bytes into the buffer; 0 at its end.
    qint64 Read(char* buffer, qint64 size);
    // Bytes of the archive file consumed so far, for progress.
    qint64 BytesConsumed() const;

private:
    [[noreturn]] void Fail(const QString& what) const;

    QString fPath;
    archive* fArchive = nullptr;
    bool fMemberIsFile = false;
};

// Cuts a stream of bytes into lines at line feeds; the line handed on has no line feed (a carriage
// return before it stays, for the reader to drop). A last line without a line feed is handed on by
// Finish. A line longer than maxLine bytes is never held: its bytes are dropped as they come and the
// overlong handler is told once the line has ended, so memory stays bounded whatever the input.
class TLineSplitter
{
public:
    using TLineHandler = std::function<void(QByteArrayView line)>;
    using TOverlongHandler = std::function<void()>;

    TLineSplitter(TLineHandler handler, TOverlongHandler overlong, qsizetype maxLine)
        : fHandler(std::move(handler)), fOverlong(std::move(overlong)), fMaxLine(maxLine)
    {}

    void Feed(QByteArrayView bytes);
    void Finish();

private:
    TLineHandler fHandler;
    TOverlongHandler fOverlong;
    qsizetype fMaxLine;
    QByteArray fPartial;
    // The current line has passed maxLine; its bytes are dropped until its end.
    bool fDropping = false;
};
