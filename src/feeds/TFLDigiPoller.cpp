#include "TFLDigiPoller.h"

#include "ADIFReader.h"
#include "data/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

TFLDigiPoller::TFLDigiPoller(QString workFolder, TClock clock)
    : fWorkFolder(std::move(workFolder)), fClock(std::move(clock))
{}

namespace {

QString TooLargeText(const QString& path, qint64 size)
{
    return QStringLiteral("The FLdigi log file %1 holds %2 bytes, far more than a contact: it was not read. "
                          "Check the path in the FLdigi setup (Ctrl+Alt+F); the file is left as it is.")
        .arg(QDir::toNativeSeparators(path))
        .arg(size);
}

} // namespace

QByteArray TFLDigiPoller::ReadLogFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw EVantrel(QStringLiteral("Unable to read the FLdigi log file %1: %2")
                           .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    // Only what a contact can be is read: a larger file is refused before its bytes are taken.
    if (file.size() > kMaxFileSize) {
        throw EVantrel(TooLargeText(path, file.size()));
    }
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        throw EVantrel(QStringLiteral("Unable to read the FLdigi log file %1: %2")
                           .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    if (bytes.size() > kMaxFileSize) {
        // Grown while it was opened (or a device that tells no size).
        throw EVantrel(TooLargeText(path, bytes.size()));
    }
    const auto encoding = QStringConverter::encodingForData(bytes);
    if (!encoding || *encoding == QStringConverter::Utf8) {
        // UTF-8, with or without its byte-order mark, or fldigi's plain bytes.
        return bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    }
    QStringDecoder decoder(*encoding);
    return QString(decoder.decode(bytes)).toUtf8();
}

TFLDigiPoller::TSignature TFLDigiPoller::SignatureOf() const
{
    const QFileInfo info(fPath);
    return {info.size(), info.lastModified()};
}

void TFLDigiPoller::Reset()
{
    fReported.clear();
    fUnfinished = TSignature();
    fTaken.reset();
}

TFLDigiPoller::TResult TFLDigiPoller::Report(const QString& message)
{
    if (message == fReported) {
        return {TKind::Waiting, QString()};
    }
    fReported = message;
    return {TKind::Problem, message};
}

TFLDigiPoller::TResult TFLDigiPoller::Poll(const TConsumer& consume)
{
    if (!QFileInfo::exists(fPath)) {
        Reset();
        return {};
    }
    const TSignature signature = SignatureOf();
    QFile file(fPath);
    if (fTaken && *fTaken == signature) {
        // Its contact is in already: only the deletion is left to do.
        if (!file.remove()) {
            return Report(QStringLiteral("Unable to delete the FLdigi log file %1: %2\nThe contact in it has "
                                         "been taken; the file will be deleted as soon as it can be.")
                              .arg(QDir::toNativeSeparators(fPath), file.errorString()));
        }
        Reset();
        return {};
    }
    if (signature.size > kMaxFileSize) {
        // Not even opened: reading it would cost the window its time at every poll.
        return Report(TooLargeText(fPath, signature.size));
    }
    QByteArray text;
    try {
        text = ReadLogFile(fPath);
    } catch (const EVantrel& e) {
        return Report(e.Message());
    }
    if (!HasEndOfRecord(text) && !(signature == fUnfinished)) {
        // Still being written, or so it seems: the next poll sees whether it has changed.
        fUnfinished = signature;
        return {TKind::Waiting, QString()};
    }
    tLogRecord rec;
    try {
        rec = ProcessADIFLine(text);
        if (rec.call.isEmpty()) {
            throw EVantrel(QStringLiteral("it holds no call sign"));
        }
    } catch (const EVantrel& e) {
        return SetAside(e.Message(), signature);
    }
    try {
        consume(rec);
    } catch (const EVantrel& e) {
        return Report(e.Message());
    }
    // A file that changed since it was read holds a newer contact: it stays for the next poll.
    if (signature == SignatureOf() && !file.remove()) {
        fTaken = signature;
        return Report(QStringLiteral("Unable to delete the FLdigi log file %1: %2\nThe contact in it has "
                                     "been taken; the file will be deleted as soon as it can be.")
                          .arg(QDir::toNativeSeparators(fPath), file.errorString()));
    }
    fReported.clear();
    fUnfinished = TSignature();
    fTaken.reset();
    return {TKind::Contact, QString()};
}

TFLDigiPoller::TResult TFLDigiPoller::SetAside(const QString& reason, const TSignature& signature)
{
    const QString stamp = fClock().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QDir().mkpath(fWorkFolder);
    QString target = QDir(fWorkFolder).filePath(QStringLiteral("fldigi-%1.adif").arg(stamp));
    for (int n = 2; QFileInfo::exists(target); ++n) {
        target = QDir(fWorkFolder).filePath(QStringLiteral("fldigi-%1-%2.adif").arg(stamp).arg(n));
    }
    QFile file(fPath);
    bool moved = file.rename(target);
    if (!moved && file.copy(target)) {
        // Another file system: the copy is safe, the original goes once it can.
        moved = true;
        if (!QFile::remove(fPath)) {
            fTaken = signature;
        }
    }
    if (!moved) {
        return Report(
            QStringLiteral("The FLdigi log file %1 could not be read as a contact (%2), and it could "
                           "not be moved aside: %3")
                .arg(QDir::toNativeSeparators(fPath), reason, file.errorString()));
    }
    fReported.clear();
    fUnfinished = TSignature();
    return {TKind::Problem,
            QStringLiteral("The FLdigi log file could not be read as a contact (%1). It has been kept as %2")
                .arg(reason, QDir::toNativeSeparators(target))};
}
