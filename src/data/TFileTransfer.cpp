#include "TFileTransfer.h"

#include "FileWrite.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

namespace {

// How much of the body the network layer may hold before it stops reading the connection: the body
// then arrives no faster than it is written, whatever the server sends.
constexpr qint64 kReadBuffer = 1024 * 1024;

QString WriteFailure(const QString& path, const QString& reason)
{
    return QStringLiteral("unable to write to %1: %2").arg(QDir::toNativeSeparators(path), reason);
}

} // namespace

TFileTransfer::TFileTransfer(QObject* parent) : QObject(parent) {}

TFileTransfer::~TFileTransfer()
{
    if (fReply) {
        fReply->disconnect(this);
        fReply->abort();
        delete fReply;
    }
}

bool TFileTransfer::Running() const
{
    return fReply != nullptr;
}

QString TFileTransfer::LimitText(qint64 bytes)
{
    constexpr qint64 mb = 1024 * 1024;
    return bytes % mb == 0 ? QStringLiteral("%1 MB").arg(bytes / mb)
                           : QStringLiteral("%1 kB").arg((bytes + 1023) / 1024);
}

void TFileTransfer::Start(const QUrl& url, const QString& path, int timeoutMs, qint64 maxBytes)
{
    fUrl = url;
    fTimeoutMs = timeoutMs;
    fMaxBytes = maxBytes;
    fCancelled = false;
    fStatusChecked = false;
    fReceived = 0;
    fFailure.reset();
    // Unbuffered, so a full disk fails the write itself rather than the final rename.
    fFile = std::make_unique<QSaveFile>(path);
    if (!fFile->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const QString reason = WriteFailure(path, fFile->errorString());
        fFile.reset();
        // Reported once the caller is back in the event loop, as every other outcome.
        QTimer::singleShot(0, this, [this, reason] { emit Finished(TOutcome::FileFailed, reason); });
        return;
    }
    if (!fManager) {
        fManager = std::make_unique<QNetworkAccessManager>();
    }
    QNetworkRequest request(url);
    if (!fUserAgent.isEmpty()) {
        request.setHeader(QNetworkRequest::UserAgentHeader, fUserAgent);
    }
    // The file is always fetched anew, never from a cache on the way.
    request.setRawHeader("Cache-Control", "no-cache");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(timeoutMs);
    fReply = fManager->get(request);
    fReply->setReadBufferSize(kReadBuffer);
    connect(fReply, &QNetworkReply::metaDataChanged, this, &TFileTransfer::OnMetaData);
    connect(fReply, &QNetworkReply::readyRead, this, &TFileTransfer::OnReadyRead);
    connect(fReply, &QNetworkReply::finished, this, &TFileTransfer::OnFinished);
}

void TFileTransfer::Cancel()
{
    if (fReply) {
        fCancelled = true;
        fReply->abort();
    }
}

void TFileTransfer::Stop(const QString& reason)
{
    if (fReply) {
        Fail(TOutcome::Failed, reason);
    }
}

void TFileTransfer::Fail(TOutcome outcome, const QString& reason)
{
    if (!fFailure) {
        fFailure.emplace(outcome, reason);
    }
    fReply->abort();
}

QString TFileTransfer::TooLarge() const
{
    return QStringLiteral("the file is larger than %1, the most this download takes; it was stopped there")
        .arg(LimitText(fMaxBytes));
}

void TFileTransfer::OnMetaData()
{
    if (!fReply || fFailure || fCancelled || fStatusChecked) {
        return;
    }
    const QVariant status = fReply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        return;
    }
    // A redirection is followed by the network layer; its own reply comes next.
    if (status.toInt() >= 300 && status.toInt() < 400) {
        return;
    }
    fStatusChecked = true;
    // An error page is not the file asked for, however long it is.
    if (status.toInt() >= 400) {
        Fail(TOutcome::Failed, NetworkReason(fReply));
        return;
    }
    const QVariant length = fReply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > fMaxBytes) {
        Fail(TOutcome::Failed, TooLarge());
    }
}

void TFileTransfer::WriteAvailable()
{
    OnMetaData();
    if (!fReply || fFailure) {
        return;
    }
    const QByteArray chunk = fReply->readAll();
    if (chunk.isEmpty()) {
        return;
    }
    if (chunk.size() > fMaxBytes - fReceived) {
        Fail(TOutcome::Failed, TooLarge());
        return;
    }
    if (!WriteAll(*fFile, chunk)) {
        Fail(TOutcome::FileFailed, WriteFailure(fFile->fileName(), fFile->errorString()));
        return;
    }
    fReceived += chunk.size();
    // Counted here rather than from the reply's own progress signal, which skips the pieces that
    // arrive within a tenth of a second of the last one.
    const QVariant length = fReply->header(QNetworkRequest::ContentLengthHeader);
    emit Progress(length.isValid() ? length.toLongLong() : -1, fReceived);
}

void TFileTransfer::OnReadyRead()
{
    if (fReply && !fCancelled) {
        WriteAvailable();
    }
}

QString TFileTransfer::NetworkReason(QNetworkReply* reply) const
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() >= 400) {
        return QStringLiteral("the server answered %1 %2")
            .arg(status.toInt())
            .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())
            .trimmed();
    }
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    switch (reply->error()) {
    case QNetworkReply::NoError:
        break;
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TimeoutError:
        return QStringLiteral("no data from the server for %1 seconds").arg(fTimeoutMs / 1000);
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("the server redirects the request round in a loop");
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("the server redirects the request to an insecure address");
    default:
        if (length.isValid() && fReceived < length.toLongLong()) {
            return QStringLiteral("the connection broke off after %1 of %2 bytes")
                .arg(fReceived)
                .arg(length.toLongLong());
        }
        break;
    }
    QString text = reply->errorString();
    // Qt's texts often repeat the address, which the caller names already.
    for (const QString& address : {fUrl.toString(), fUrl.toString(QUrl::FullyEncoded),
                                   reply->url().toString(), reply->url().toString(QUrl::FullyEncoded)}) {
        text.replace(QStringLiteral("Error transferring %1 - ").arg(address), QString());
        text.replace(address, QStringLiteral("the address"));
    }
    if (text.isEmpty()) {
        text = QStringLiteral("network error %1").arg(int(reply->error()));
    }
    return text;
}

void TFileTransfer::OnFinished()
{
    QNetworkReply* reply = fReply;
    if (!reply || fFinishing) {
        return;
    }
    // Stopping the reply below emits its end again; this one reports it.
    fFinishing = true;
    if (!fCancelled) {
        WriteAvailable();
    }
    TOutcome outcome = TOutcome::Completed;
    QString reason;
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (fFailure) {
        std::tie(outcome, reason) = *fFailure;
    } else if (fCancelled) {
        outcome = TOutcome::Cancelled;
    } else if (reply->error() != QNetworkReply::NoError) {
        outcome = TOutcome::Failed;
        reason = NetworkReason(reply);
    } else if (length.isValid() && reply->rawHeader("Content-Encoding").isEmpty() &&
               fReceived != length.toLongLong()) {
        // The connection closed before the announced length had arrived.
        outcome = TOutcome::Failed;
        reason = QStringLiteral("the connection broke off after %1 of %2 bytes")
                     .arg(fReceived)
                     .arg(length.toLongLong());
    } else if (!fFile->commit()) {
        outcome = TOutcome::FileFailed;
        reason = WriteFailure(fFile->fileName(), fFile->errorString());
    }
    if (outcome != TOutcome::Completed) {
        fFile->cancelWriting();
    }
    fFile.reset();
    fReply = nullptr;
    fFinishing = false;
    reply->deleteLater();
    // A failed TLS handshake leaves a connection in the cache that a later try must not reuse.
    fManager->clearConnectionCache();
    emit Finished(outcome, reason);
}
