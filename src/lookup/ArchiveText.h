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
    // Reads the current member's next bytes into the buffer; 0 at its end.
    qint64 Read(char* buffer, qint64 size);
    // Bytes of the archive file consumed so far, for progress.
    qint64 BytesConsumed() const;

private:
    [[noreturn]] void Fail(const QString& what) const;

    QString fPath;
    archive* fArchive = nullptr;
};

// Cuts a stream of bytes into lines at line feeds; the line handed on has no line feed (a carriage
// return before it stays, for the reader to drop). A last line without a line feed is handed on by
// Finish.
class TLineSplitter
{
public:
    using TLineHandler = std::function<void(QByteArrayView line)>;

    explicit TLineSplitter(TLineHandler handler) : fHandler(std::move(handler)) {}

    void Feed(QByteArrayView bytes);
    void Finish();

private:
    TLineHandler fHandler;
    QByteArray fPartial;
};
