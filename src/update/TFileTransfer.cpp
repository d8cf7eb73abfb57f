#include "TFileTransfer.h"

#include <QDir>
#include <QNetworkAccessManager>

#include <QTimer>

TFileTransfer::TFileTransfer(QObject* parent) : QObject(parent) {}

TFileTransfer::~TFileTransfer()
{
    if (fReply) {
        fReply->disconnect(this);
        fReply->abort();
        delete fReply;
    }
}

QString TFileTransfer::Shown() const
{
    return fUrl.toDisplayString(QUrl::RemoveUserInfo);
}

void TFileTransfer::Start(const QUrl& url, const QString& path, int timeoutMs)
{
    fUrl = url;
    fTimeoutMs = timeoutMs;
    fCancelled = false;
    fStatusChecked = false;
    fReceived = 0;
    fFailure.reset();
    // Unbuffered, so a full disk fails the write itself rather than the final rename.
    fFile = std::make_unique<QSaveFile>(path);
    if (!fFile->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const QString reason =
            QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), fFile->errorString());
        fFile.reset();
        // Reported once the caller is back in the event loop, as every other outcome.
        QTimer::singleShot(0, this, [this, reason] { emit Finished(TOutcome::FileFailed, reason); });
        return;
    }
    if (!fManager) {
        fManager = std::make_unique<QNetworkAccessManager>();
    }
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, kUserAgent);
    // The file is always fetched anew, never from a cache on the way.
    request.setRawHeader("Cache-Control", "no-cache");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(timeoutMs);
    fReply = fManager->get(request);
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

void TFileTransfer::Fail(TOutcome outcome, const QString& message)
{
    if (!fFailure) {
        fFailure.emplace(outcome, message);
    }
    fReply->abort();
}

bool TFileTransfer::WriteAvailable()
{
    if (!fStatusChecked) {
        const QVariant status = fReply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!status.isValid()) {
            return true;
        }
        fStatusChecked = true;
        // An error page is not the file asked for: it is read and dropped until the reply ends.
        if (status.toInt() >= 400) {
            fFailure.emplace(
                TOutcome::Failed,
                QStringLiteral("The server answered %1 %2 for %3")
                    .arg(status.toInt())
                    .arg(fReply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString(), Shown())
                    .replace(QStringLiteral("  "), QStringLiteral(" ")));
        }
    }
    const QByteArray chunk = fReply->readAll();
    if (fFailure) {
        return false;
    }
    if (!chunk.isEmpty() && fFile->write(chunk) != chunk.size()) {
        Fail(TOutcome::FileFailed,
             QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(fFile->fileName()), fFile->errorString()));
        return false;
    }
    if (!chunk.isEmpty()) {
        fReceived += chunk.size();
        // Counted here rather than from the reply's own progress signal, which skips the pieces that
        // arrive within a tenth of a second of the last one.
        const QVariant length = fReply->header(QNetworkRequest::ContentLengthHeader);
        emit Progress(length.isValid() ? length.toLongLong() : -1, fReceived);
    }
    return true;
}

void TFileTransfer::OnReadyRead()
{
    if (fReply && !fCancelled) {
        WriteAvailable();
    }
}

void TFileTransfer::OnFinished()
{
    QNetworkReply* reply = fReply;
    if (!reply) {
        return;
    }
    if (!fCancelled) {
        WriteAvailable();
    }
    TOutcome outcome = TOutcome::Completed;
    QString message;
    if (fCancelled && !fFailure) {
        outcome = TOutcome::Cancelled;
    } else if (fFailure) {
        std::tie(outcome, message) = *fFailure;
    } else if (reply->error() == QNetworkReply::OperationCanceledError ||
               reply->error() == QNetworkReply::TimeoutError) {
        outcome = TOutcome::Failed;
        message = QStringLiteral("No data from %1 within %2 seconds").arg(Shown()).arg(fTimeoutMs / 1000);
    } else if (reply->error() != QNetworkReply::NoError) {
        outcome = TOutcome::Failed;
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        message = status.isValid() && status.toInt() >= 400
                      ? QStringLiteral("The server answered %1 for %2").arg(status.toInt()).arg(Shown())
                      : reply->errorString();
    } else if (!fFile->commit()) {
        outcome = TOutcome::FileFailed;
        message =
            QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(fFile->fileName()), fFile->errorString());
    }
    if (outcome != TOutcome::Completed) {
        fFile->cancelWriting();
    }
    fFile.reset();
    fReply = nullptr;
    reply->deleteLater();
    // A failed TLS handshake leaves a connection in the cache that a later try must not reuse.
    fManager->clearConnectionCache();
    emit Finished(outcome, message);
}
