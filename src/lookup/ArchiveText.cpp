#include "ArchiveText.h"

#include "data/Errors.h"
#include "data/TSharedLibrary.h"

#include <QFile>
#include <archive.h>
#include <archive_entry.h>
#include <cstring>

namespace {

// libarchive's functions, resolved when an archive is first read (see TSharedLibrary).
struct TArchiveApi
{
    TSharedLibrary fLibrary{QStringLiteral("archive"), 13};
#define VANTREL_RESOLVE(f) fLibrary.Resolve<decltype(::f)>(#f)
    decltype(::archive_entry_filetype)* archive_entry_filetype = VANTREL_RESOLVE(archive_entry_filetype);
    decltype(::archive_entry_hardlink)* archive_entry_hardlink = VANTREL_RESOLVE(archive_entry_hardlink);
    decltype(::archive_entry_pathname)* archive_entry_pathname = VANTREL_RESOLVE(archive_entry_pathname);
    decltype(::archive_entry_symlink)* archive_entry_symlink = VANTREL_RESOLVE(archive_entry_symlink);
    decltype(::archive_error_string)* archive_error_string = VANTREL_RESOLVE(archive_error_string);
    decltype(::archive_filter_bytes)* archive_filter_bytes = VANTREL_RESOLVE(archive_filter_bytes);
    decltype(::archive_read_data)* archive_read_data = VANTREL_RESOLVE(archive_read_data);
    decltype(::archive_read_free)* archive_read_free = VANTREL_RESOLVE(archive_read_free);
    decltype(::archive_read_new)* archive_read_new = VANTREL_RESOLVE(archive_read_new);
    decltype(::archive_read_next_header)* archive_read_next_header =
        VANTREL_RESOLVE(archive_read_next_header);
    decltype(::archive_read_open_filename)* archive_read_open_filename =
        VANTREL_RESOLVE(archive_read_open_filename);
    decltype(::archive_read_support_filter_gzip)* archive_read_support_filter_gzip =
        VANTREL_RESOLVE(archive_read_support_filter_gzip);
    decltype(::archive_read_support_format_raw)* archive_read_support_format_raw =
        VANTREL_RESOLVE(archive_read_support_format_raw);
    decltype(::archive_read_support_format_zip)* archive_read_support_format_zip =
        VANTREL_RESOLVE(archive_read_support_format_zip);
#undef VANTREL_RESOLVE
};

const TArchiveApi& Archive()
{
    // A failed load throws out of the initialisation, which runs again at the next use.
    static const TArchiveApi api;
    return api;
}

} // namespace

TArchiveReader::TArchiveReader(const QString& path, Kind kind)
    : fPath(path), fArchive(Archive().archive_read_new())
{
    if (!fArchive) {
        throw EVantrel(QStringLiteral("%1: out of memory").arg(path));
    }
    if (kind == Kind::Zip) {
        Archive().archive_read_support_format_zip(fArchive);
    } else {
        Archive().archive_read_support_filter_gzip(fArchive);
        Archive().archive_read_support_format_raw(fArchive);
    }
    const QByteArray name = QFile::encodeName(path);
    if (Archive().archive_read_open_filename(fArchive, name.constData(), 1 << 20) != ARCHIVE_OK) {
        const QString text = QString::fromLocal8Bit(Archive().archive_error_string(fArchive));
        Archive().archive_read_free(fArchive);
        fArchive = nullptr;
        throw EVantrel(QStringLiteral("%1: %2").arg(path, text));
    }
}

TArchiveReader::~TArchiveReader()
{
    if (fArchive) {
        Archive().archive_read_free(fArchive);
    }
}

void TArchiveReader::Fail(const QString& what) const
{
    const char* text = Archive().archive_error_string(fArchive);
    throw EVantrel(QStringLiteral("%1: %2").arg(fPath, text ? QString::fromLocal8Bit(text) : what));
}

bool TArchiveReader::NextMember(QString& name)
{
    archive_entry* entry = nullptr;
    const int rc = Archive().archive_read_next_header(fArchive, &entry);
    if (rc == ARCHIVE_EOF) {
        return false;
    }
    if (rc != ARCHIVE_OK && rc != ARCHIVE_WARN) {
        Fail(QStringLiteral("cannot read the archive"));
    }
    const char* path = Archive().archive_entry_pathname(entry);
    name = path ? QString::fromUtf8(path) : QString();
    fMemberIsFile = Archive().archive_entry_filetype(entry) == AE_IFREG &&
                    !Archive().archive_entry_symlink(entry) && !Archive().archive_entry_hardlink(entry);
    return true;
}

qint64 TArchiveReader::Read(char* buffer, qint64 size)
{
    const la_ssize_t n = Archive().archive_read_data(fArchive, buffer, size_t(size));
    if (n < 0) {
        Fail(QStringLiteral("cannot read the archive"));
    }
    return n;
}

qint64 TArchiveReader::BytesConsumed() const
{
    return Archive().archive_filter_bytes(fArchive, -1);
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
