#include "ArchiveText.h"

#include "data/Errors.h"

#include <QFile>
#include <archive.h>
#include <archive_entry.h>
#include <cstring>

TArchiveReader::TArchiveReader(const QString& path, Kind kind) : fPath(path), fArchive(archive_read_new())
{
    if (!fArchive) {
        throw EVantrel(QStringLiteral("%1: out of memory").arg(path));
    }
    if (kind == Kind::Zip) {
        archive_read_support_format_zip(fArchive);
    } else {
        archive_read_support_filter_gzip(fArchive);
        archive_read_support_format_raw(fArchive);
    }
    const QByteArray name = QFile::encodeName(path);
    if (archive_read_open_filename(fArchive, name.constData(), 1 << 20) != ARCHIVE_OK) {
        const QString text = QString::fromLocal8Bit(archive_error_string(fArchive));
        archive_read_free(fArchive);
        fArchive = nullptr;
        throw EVantrel(QStringLiteral("%1: %2").arg(path, text));
    }
}

TArchiveReader::~TArchiveReader()
{
    if (fArchive) {
        archive_read_free(fArchive);
    }
}

void TArchiveReader::Fail(const QString& what) const
{
    const char* text = archive_error_string(fArchive);
    throw EVantrel(QStringLiteral("%1: %2").arg(fPath, text ? QString::fromLocal8Bit(text) : what));
}

bool TArchiveReader::NextMember(QString& name)
{
    archive_entry* entry = nullptr;
    const int rc = archive_read_next_header(fArchive, &entry);
    if (rc == ARCHIVE_EOF) {
        return false;
    }
    if (rc != ARCHIVE_OK && rc != ARCHIVE_WARN) {
        Fail(QStringLiteral("cannot read the archive"));
    }
    const char* path = archive_entry_pathname(entry);
    name = path ? QString::fromUtf8(path) : QString();
    fMemberIsFile = archive_entry_filetype(entry) == AE_IFREG && !archive_entry_symlink(entry) &&
                    !archive_entry_hardlink(entry);
    return true;
}

qint64 TArchiveReader::Read(char* buffer, qint64 size)
{
    const la_ssize_t n = archive_read_data(fArchive, buffer, size_t(size));
    if (n < 0) {
        Fail(QStringLiteral("cannot read the archive"));
    }
    return n;
}

qint64 TArchiveReader::BytesConsumed() const
{
    return archive_filter_bytes(fArchive, -1);
}

void TLineSplitter::Feed(QByteArrayView bytes)
{
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    while (at < end) {
        const auto* feed = static_cast<const char*>(std::memchr(at, '\n', size_t(end - at)));
        const qsizetype length = (feed ? feed : end) - at;
        if (!fDropping && fPartial.size() + length > fMaxLine) {
            fDropping = true;
            fPartial.clear();
            fPartial.squeeze();
        }
        if (!feed) {
            if (!fDropping) {
                fPartial.append(at, length);
            }
            return;
        }
        if (fDropping) {
            fDropping = false;
            fOverlong();
        } else if (fPartial.isEmpty()) {
            fHandler(QByteArrayView(at, length));
        } else {
            fPartial.append(at, length);
            fHandler(fPartial);
            fPartial.clear();
        }
        at = feed + 1;
    }
}

void TLineSplitter::Finish()
{
    if (fDropping) {
        fDropping = false;
        fOverlong();
    } else if (!fPartial.isEmpty()) {
        fHandler(fPartial);
        fPartial.clear();
    }
}
