#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QSaveFile>
#include <QString>
#include <QUrl>
#include <memory>
#include <optional>
#include <utility>

// Declared only: <QNetworkReply> would also make moc's output of this header include QSslError.
class QNetworkAccessManager;
class QNetworkReply;

// One download of a URL into a local file, in the background of the event loop. The body is written to
// a temporary file beside the target as it arrives (never held whole in memory: the connection is read
// no faster than the file is written) and replaces the target only once the transfer is complete: a
// failed or cancelled download leaves any earlier file as it was, and a partial file never takes the
// target's name. An HTTP error status, a body larger than the limit (announced or received) and a body
// shorter than its announced length are failures.
class TFileTransfer : public QObject
{
    Q_OBJECT

public:
    enum class TOutcome
    {
        Completed,
        Failed,     // the network or the server: the reason says which
        FileFailed, // the local file could not be written: the reason gives the system's text
        Cancelled
    };
    Q_ENUM(TOutcome)

    explicit TFileTransfer(QObject* parent = nullptr);
    ~TFileTransfer() override;

    // The user agent sent with the request; Qt's own when empty.
    void SetUserAgent(const QByteArray& agent) { fUserAgent = agent; }

    // Starts the transfer; Finished follows exactly once. A transfer that receives nothing for the
    // timeout fails, and so does one whose body passes maxBytes, the moment it does.
    void Start(const QUrl& url, const QString& path, int timeoutMs, qint64 maxBytes);
    // Stops a running transfer: Finished follows with Cancelled.
    void Cancel();
    // Stops a running transfer as a failure with the given reason.
    void Stop(const QString& reason);
    bool Running() const;

    // A limit as the operator reads it: "64 MB", "4 kB".
    static QString LimitText(qint64 bytes);

signals:
    // The length the server announced (0 or less when it announced none) and the bytes received so far.
    void Progress(qint64 total, qint64 received);
    // reason: why the transfer did not complete, without the address, starting in lower case ("the
    // server answered 404 Not Found", "unable to write to /x: No space left on device"); empty when it
    // completed or was cancelled.
    void Finished(TFileTransfer::TOutcome outcome, const QString& reason);

private:
    void OnMetaData();
    void OnReadyRead();
    void OnFinished();
    void Fail(TOutcome outcome, const QString& reason);
    void WriteAvailable();
    QString TooLarge() const;
    QString NetworkReason(QNetworkReply* reply) const;

    std::unique_ptr<QNetworkAccessManager> fManager;
    QPointer<QNetworkReply> fReply;
    std::unique_ptr<QSaveFile> fFile;
    QUrl fUrl;
    QByteArray fUserAgent;
    int fTimeoutMs = 30000;
    qint64 fMaxBytes = 0;
    bool fCancelled = false;
    bool fStatusChecked = false;
    bool fFinishing = false;
    qint64 fReceived = 0;
    // A failure found while the body arrived (an error status, the limit, a write error), reported at
    // the end.
    std::optional<std::pair<TOutcome, QString>> fFailure;
};
