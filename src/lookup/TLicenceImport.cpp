#include "TLicenceImport.h"

#include "ArchiveText.h"
#include "UlsRecords.h"
#include "data/LicenceStore.h"
#include "data/Paths.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <filesystem>
#include <optional>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Reading the record files is most of the work; the index and the renames take the last few percent.
constexpr int kReadingShare = 95;

enum class TRecordKind
{
    None,
    En,
    Am,
    Hd
};

TRecordKind KindOf(const QString& path)
{
    const QString name = QFileInfo(path).fileName().toUpper();
    if (name == QLatin1String("EN.DAT")) {
        return TRecordKind::En;
    }
    if (name == QLatin1String("AM.DAT")) {
        return TRecordKind::Am;
    }
    if (name == QLatin1String("HD.DAT")) {
        return TRecordKind::Hd;
    }
    return TRecordKind::None;
}

// The infix of the files an import writes before they take their names: "fccdata.db.part-<pid>-<hex>".
const QString kPartInfix = QStringLiteral(".part-");

// A name in the target folder that nothing uses yet, for a file being written. It carries the process id,
// so a later import can tell the part of a killed import from the part of one that still runs.
QString PartialName(const QDir& folder, const QString& file)
{
    for (;;) {
        const QString name =
            folder.filePath(QStringLiteral("%1%2%3-%4")
                                .arg(file, kPartInfix)
                                .arg(QCoreApplication::applicationPid())
                                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        if (!QFileInfo::exists(name)) {
            return name;
        }
    }
}

// True while a process of that id runs.
bool ProcessAlive(qint64 pid)
{
#ifdef Q_OS_UNIX
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
#else
    Q_UNUSED(pid);
    return true;
#endif
}

// Removes the partial files that imports killed before their end left in the folder: those of a process
// that no longer runs, and any not written to for a day (no import takes that long). A partial file with
// no process id in its name, as older versions named them, counts as left over once it has not been
// written to for ten minutes. Returns how many were removed.
int RemoveStaleParts(const QDir& folder)
{
    int removed = 0;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const QString& file : {kLicenceFile, kPostalFile}) {
        const QFileInfoList parts =
            folder.entryInfoList({file + kPartInfix + '*'}, QDir::Files | QDir::Hidden | QDir::System);
        for (const QFileInfo& part : parts) {
            const qint64 age = part.lastModified().toUTC().secsTo(now);
            const QStringList tail = part.fileName().mid(file.size() + kPartInfix.size()).split('-');
            bool numeric = false;
            const qint64 pid = tail.size() == 2 ? tail[0].toLongLong(&numeric) : 0;
            const bool stale = numeric ? !ProcessAlive(pid) || age > 24 * 3600 : age > 10 * 60;
            if (stale && QFile::remove(part.filePath())) {
                ++removed;
            }
        }
    }
    return removed;
}

// Puts a written file on the disk before it replaces the old one, so a power cut cannot leave a
// renamed but empty file.
void SyncFile(const QString& path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        throw EVantrel(QStringLiteral("cannot write %1 to the disk").arg(QDir::toNativeSeparators(path)));
    }
    ::close(fd);
#else
    Q_UNUSED(path);
#endif
}

// Replaces target with the complete file at partial in one step.
void ReplaceFile(const QString& partial, const QString& target)
{
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(partial).toStdString(), QFile::encodeName(target).toStdString(),
                            error);
    if (error) {
        throw EVantrel(QStringLiteral("cannot replace %1: %2")
                           .arg(QDir::toNativeSeparators(target), QString::fromStdString(error.message())));
    }
}

// Removes the partial files of an import that did not complete.
class TPartialFiles
{
public:
    ~TPartialFiles()
    {
        for (const QString& path : fPaths) {
            QFile::remove(path);
        }
    }
    void Add(const QString& path) { fPaths.append(path); }

private:
    QStringList fPaths;
};

// Reads the record files of one source into the licence store.
class TRecordReader
{
public:
    TRecordReader(TLicenceStore& store, const QHash<QByteArray, QByteArray>& counties,
                  TImportSummary& summary, const std::atomic<bool>& cancelled,
                  const TLicenceImport::TProgress& progress)
        : fStore(store), fCounties(counties), fSummary(summary), fCancelled(cancelled), fProgress(progress)
    {}

    // Reads one record file, fed to it in pieces by read (0 at the end); done() gives the share of the
    // whole source read so far, from 0 to 1.
    void ReadFile(TRecordKind kind, const std::function<qint64(char*, qint64)>& read,
                  const std::function<double()>& done)
    {
        TRecordFileCount& count = Count(kind);
        if (count.found) {
            throw EVantrel(QStringLiteral("The source holds %1 twice").arg(count.name));
        }
        count.found = true;
        TLineSplitter lines(
            [&](QByteArrayView line) {
                if (line.trimmed().isEmpty()) {
                    return;
                }
                ++count.read;
                if (AddLine(kind, line)) {
                    ++count.kept;
                } else {
                    ++count.skipped;
                }
            },
            [&] {
                ++count.read;
                ++count.skipped;
                ++count.tooLong;
            },
            TLicenceImport::kMaxRecordLine);
        QByteArray buffer(1 << 20, Qt::Uninitialized);
        qint64 n;
        while ((n = read(buffer.data(), buffer.size())) > 0) {
            lines.Feed(QByteArrayView(buffer.constData(), n));
            // Once a buffer, so that cancelling works within a line of any length too.
            CheckIn(done());
        }
        lines.Finish();
        CheckIn(done());
    }

    void CheckIn(double done)
    {
        if (fCancelled) {
            throw EImportCancelled(QStringLiteral("The import was cancelled; the old licence data is kept."));
        }
        const int percent = int(qBound(0.0, done, 1.0) * kReadingShare);
        if (fProgress && percent != fLastPercent) {
            fLastPercent = percent;
            fProgress(percent);
        }
    }

private:
    TRecordFileCount& Count(TRecordKind kind)
    {
        switch (kind) {
        case TRecordKind::En:
            return fSummary.en;
        case TRecordKind::Am:
            return fSummary.am;
        default:
            return fSummary.hd;
        }
    }

    bool AddLine(TRecordKind kind, QByteArrayView line)
    {
        switch (kind) {
        case TRecordKind::En: {
            TEnRow row;
            if (!UlsRecords::ParseEn(line, fBuffer, row)) {
                return false;
            }
            const auto county =
                fCounties.constFind(row[LicenceColumns::EnZipCode]
                                        .first(qMin<qsizetype>(5, row[LicenceColumns::EnZipCode].size()))
                                        .toByteArray());
            if (county != fCounties.constEnd()) {
                row[LicenceColumns::EnCounty] = county.value();
                ++fSummary.withCounty;
            }
            fStore.AddEn(row);
            return true;
        }
        case TRecordKind::Am: {
            TAmRow row;
            if (!UlsRecords::ParseAm(line, fBuffer, row)) {
                return false;
            }
            fStore.AddAm(row);
            return true;
        }
        default: {
            THdRow row;
            if (!UlsRecords::ParseHd(line, fBuffer, row)) {
                return false;
            }
            fStore.AddHd(row);
            return true;
        }
        }
    }

    TLicenceStore& fStore;
    const QHash<QByteArray, QByteArray>& fCounties;
    TImportSummary& fSummary;
    const std::atomic<bool>& fCancelled;
    const TLicenceImport::TProgress& fProgress;
    QByteArray fBuffer;
    int fLastPercent = -1;
};

void ReadZip(const QString& path, TRecordReader& reader)
{
    TArchiveReader archive(path, TArchiveReader::Kind::Zip);
    const double size = qMax<double>(1, QFileInfo(path).size());
    const auto done = [&] { return double(archive.BytesConsumed()) / size; };
    QString name;
    while (archive.NextMember(name)) {
        const TRecordKind kind = KindOf(name);
        if (kind != TRecordKind::None) {
            if (!archive.MemberIsFile()) {
                throw EVantrel(
                    QStringLiteral("%1: %2 is not a plain file (a link or a folder); it is not read")
                        .arg(QDir::toNativeSeparators(path), name));
            }
            reader.ReadFile(
                kind, [&](char* buffer, qint64 max) { return archive.Read(buffer, max); }, done);
        }
        reader.CheckIn(done());
    }
}

// Opens a record file of a folder for reading, refusing anything but a plain file: a link to a device
// (/dev/zero), a pipe or a folder of that name would never end or never answer.
void OpenPlainFile(QFile& file)
{
    const QString shown = QDir::toNativeSeparators(file.fileName());
    const QString notPlain = QStringLiteral("%1 is not a plain file; it is not read").arg(shown);
#ifdef Q_OS_UNIX
    // Without blocking, so that opening a pipe does not wait for a writer.
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw EVantrel(QStringLiteral("%1: %2").arg(shown, QString::fromLocal8Bit(std::strerror(errno))));
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw EVantrel(notPlain);
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw EVantrel(QStringLiteral("%1: %2").arg(shown, file.errorString()));
    }
#else
    if (!QFileInfo(file.fileName()).isFile()) {
        throw EVantrel(notPlain);
    }
    if (!file.open(QIODevice::ReadOnly)) {
        throw EVantrel(QStringLiteral("%1: %2").arg(shown, file.errorString()));
    }
#endif
}

void ReadFolder(const QString& path, TRecordReader& reader)
{
    // The record files by kind, matched without regard to case (en.dat, EN.DAT), whatever kind of entry
    // bears the name: only plain files are read.
    QList<std::pair<TRecordKind, QString>> files;
    qint64 total = 0;
    for (const QFileInfo& info :
         QDir(path).entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const TRecordKind kind = KindOf(info.fileName());
        if (kind != TRecordKind::None) {
            files.append({kind, info.filePath()});
            total += info.isFile() ? info.size() : 0;
        }
    }
    qint64 before = 0;
    for (const auto& [kind, filePath] : files) {
        QFile file(filePath);
        OpenPlainFile(file);
        const auto done = [&] { return double(before + file.pos()) / double(qMax<qint64>(1, total)); };
        reader.ReadFile(
            kind,
            [&file](char* buffer, qint64 max) {
                const qint64 n = file.read(buffer, max);
                if (n < 0) {
                    throw EVantrel(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file.fileName()),
                                                                file.errorString()));
                }
                return n;
            },
            done);
        before += file.size();
    }
}

QString CountLine(const TRecordFileCount& count)
{
    QString line = QStringLiteral("%1: %2 lines read, %3 kept, %4 skipped")
                       .arg(count.name)
                       .arg(count.read)
                       .arg(count.kept)
                       .arg(count.skipped);
    if (count.tooLong > 0) {
        line += QStringLiteral(" (%1 longer than any record)").arg(count.tooLong);
    }
    return line;
}

} // namespace

QString TImportSummary::Text() const
{
    QString text = QStringLiteral("Licence data %1 in %2\n%3\n%4\n%5\nCounty found for %6 of %7 licensees.")
                       .arg(update ? QStringLiteral("updated") : QStringLiteral("built"),
                            QDir::toNativeSeparators(folder), CountLine(en), CountLine(am), CountLine(hd))
                       .arg(withCounty)
                       .arg(en.kept);
    if (staleRemoved > 0) {
        text += QStringLiteral("\nRemoved %1 unfinished %2 of an import that was stopped.")
                    .arg(staleRemoved)
                    .arg(staleRemoved == 1 ? QStringLiteral("file") : QStringLiteral("files"));
    }
    return text;
}

TLicenceImport::TLicenceImport(const QString& source, const QString& folder, const QString& postalSource)
    : fSource(source), fFolder(folder),
      fPostalSource(postalSource.isEmpty() ? Paths::ShippedFile(kPostalFile) : postalSource)
{}

void TLicenceImport::CheckLicensees(qint64 licensees, const TImportSummary& summary) const
{
    const QString existing = QDir(summary.folder).filePath(kLicenceFile);
    if (licensees == 0) {
        throw ELicenceRefused(
            QStringLiteral("The new licence data would hold no licensee (%1), so it does not "
                           "replace the data in %2; the old files are kept.")
                .arg(CountLine(summary.en), QDir::toNativeSeparators(summary.folder)));
    }
    const qint64 before = CountLicensees(existing);
    if (!fForce && licensees < before / 2) {
        throw ELicenceRefused(
            QStringLiteral("The new licence data would hold %1 licensees, far fewer than the %2 of the data "
                           "it would replace in %3 (%4); the old files are kept. If the new file is right, "
                           "delete %5 and build again, or run vantrel-licence-import with --force.")
                .arg(licensees)
                .arg(before)
                .arg(QDir::toNativeSeparators(summary.folder), CountLine(summary.en),
                     QDir::toNativeSeparators(existing)));
    }
}

TImportSummary TLicenceImport::Run()
{
    const QFileInfo source(fSource);
    if (!source.exists()) {
        throw EVantrel(QStringLiteral("%1 does not exist").arg(QDir::toNativeSeparators(fSource)));
    }
    if (!QFileInfo(fPostalSource).isFile()) {
        throw EVantrel(
            QStringLiteral("The postal data %1 does not exist").arg(QDir::toNativeSeparators(fPostalSource)));
    }
    QDir folder(fFolder);
    if (!folder.mkpath(QStringLiteral("."))) {
        throw EVantrel(QStringLiteral("cannot create the folder %1").arg(QDir::toNativeSeparators(fFolder)));
    }
    TImportSummary summary;
    summary.folder = folder.absolutePath();
    summary.update = fUpdate;
    summary.staleRemoved = RemoveStaleParts(folder);
    const QHash<QByteArray, QByteArray> counties = ReadPostalCounties(fPostalSource);

    TPartialFiles partials;
    const QString partialLicence = PartialName(folder, kLicenceFile);
    partials.Add(partialLicence);
    if (fUpdate) {
        const QString existing = folder.filePath(kLicenceFile);
        if (!QFileInfo(existing).isFile()) {
            throw EVantrel(QStringLiteral("There is no %1 to update in %2: build it from l_amat.zip first.")
                               .arg(kLicenceFile, QDir::toNativeSeparators(summary.folder)));
        }
        if (!QFile::copy(existing, partialLicence)) {
            throw EVantrel(QStringLiteral("cannot copy %1").arg(QDir::toNativeSeparators(existing)));
        }
        QFile::setPermissions(partialLicence, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
    {
        TLicenceStore store(partialLicence,
                            fUpdate ? TLicenceStore::Mode::Update : TLicenceStore::Mode::Create);
        TRecordReader reader(store, counties, summary, fCancelled, fProgress);
        reader.CheckIn(0);
        if (source.isDir()) {
            ReadFolder(fSource, reader);
        } else {
            ReadZip(fSource, reader);
        }
        // A daily file lists only the kinds of record that changed; a full dump has all three.
        if (!summary.en.found && !summary.am.found && !summary.hd.found) {
            throw EVantrel(QStringLiteral("%1 holds none of the record files EN.dat, AM.dat and HD.dat")
                               .arg(QDir::toNativeSeparators(fSource)));
        }
        for (const TRecordFileCount* count : {&summary.en, &summary.am, &summary.hd}) {
            if (!count->found && !fUpdate) {
                throw EVantrel(
                    QStringLiteral("%1 holds no %2").arg(QDir::toNativeSeparators(fSource), count->name));
            }
        }
        CheckLicensees(store.Licensees(), summary);
        store.Finish();
    }
    if (fCancelled) {
        throw EImportCancelled(QStringLiteral("The import was cancelled; the old licence data is kept."));
    }
    if (fProgress) {
        fProgress(kReadingShare + 2);
    }
    const QString partialPostal = PartialName(folder, kPostalFile);
    partials.Add(partialPostal);
    if (!QFile::copy(fPostalSource, partialPostal)) {
        throw EVantrel(
            QStringLiteral("cannot copy %1 to %2")
                .arg(QDir::toNativeSeparators(fPostalSource), QDir::toNativeSeparators(partialPostal)));
    }
    SyncFile(partialLicence);
    SyncFile(partialPostal);
    // From here on the import is complete: the postal file first, so a licence file never names counties
    // the postal file beside it lacks.
    ReplaceFile(partialPostal, folder.filePath(kPostalFile));
    ReplaceFile(partialLicence, folder.filePath(kLicenceFile));
    if (fProgress) {
        fProgress(100);
    }
    return summary;
}
