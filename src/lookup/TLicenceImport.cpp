#include "TLicenceImport.h"

#include "ArchiveText.h"
#include "UlsRecords.h"
#include "data/LicenceStore.h"
#include "data/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <filesystem>
#include <optional>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// Reading the record files is most of the work; the index and the renames take the last few percent.
constexpr int kReadingShare = 95;
// How often the import looks at the cancel flag and reports progress, in lines.
constexpr qint64 kCheckEvery = 4096;

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

// A name in the target folder that nothing uses yet, for a file being written.
QString PartialName(const QDir& folder, const QString& file)
{
    for (;;) {
        const QString name =
            folder.filePath(QStringLiteral("%1.part-%2")
                                .arg(file)
                                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        if (!QFileInfo::exists(name)) {
            return name;
        }
    }
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
        TLineSplitter lines([&](QByteArrayView line) {
            if (line.trimmed().isEmpty()) {
                return;
            }
            ++count.read;
            if (AddLine(kind, line)) {
                ++count.kept;
            } else {
                ++count.skipped;
            }
            if (count.read % kCheckEvery == 0) {
                CheckIn(done());
            }
        });
        QByteArray buffer(1 << 20, Qt::Uninitialized);
        qint64 n;
        while ((n = read(buffer.data(), buffer.size())) > 0) {
            lines.Feed(QByteArrayView(buffer.constData(), n));
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
            reader.ReadFile(
                kind, [&](char* buffer, qint64 max) { return archive.Read(buffer, max); }, done);
        }
        reader.CheckIn(done());
    }
}

void ReadFolder(const QString& path, TRecordReader& reader)
{
    // The record files by kind, matched without regard to case (en.dat, EN.DAT).
    QList<std::pair<TRecordKind, QString>> files;
    qint64 total = 0;
    for (const QFileInfo& info : QDir(path).entryInfoList(QDir::Files)) {
        const TRecordKind kind = KindOf(info.fileName());
        if (kind != TRecordKind::None) {
            files.append({kind, info.filePath()});
            total += info.size();
        }
    }
    qint64 before = 0;
    for (const auto& [kind, filePath] : files) {
        QFile file(filePath);
        if (!file.open(QIODevice::ReadOnly)) {
            throw EVantrel(
                QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(filePath), file.errorString()));
        }
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
    return QStringLiteral("%1: %2 lines read, %3 kept, %4 skipped")
        .arg(count.name)
        .arg(count.read)
        .arg(count.kept)
        .arg(count.skipped);
}

} // namespace

QString TImportSummary::Text() const
{
    return QStringLiteral("Licence data %1 in %2\n%3\n%4\n%5\nCounty found for %6 of %7 licensees.")
        .arg(update ? QStringLiteral("updated") : QStringLiteral("built"), QDir::toNativeSeparators(folder),
             CountLine(en), CountLine(am), CountLine(hd))
        .arg(withCounty)
        .arg(en.kept);
}

TLicenceImport::TLicenceImport(const QString& source, const QString& folder, const QString& postalSource)
    : fSource(source), fFolder(folder),
      fPostalSource(postalSource.isEmpty() ? Paths::ShippedFile(kPostalFile) : postalSource)
{}

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
