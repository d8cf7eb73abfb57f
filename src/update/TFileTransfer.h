#pragma once

#include <QObject>
#include <QPointer>
#include <QSaveFile>
#include <QString>
#include <QUrl>
#include <memory>
#include <optional>
#include <utility>

class QNetworkAccessManager;
#include <QNetworkReply>

// One download of a URL into a local file, in the background of the event loop. The body is written to
// a temporary file beside the target as it arrives (never held whole in memory) and replaces the target
// only once the transfer is complete: a failed or cancelled download leaves any earlier file as it was,
// and a partial file never takes the target's name. An HTTP error status is a failure.
class TFileTransfer : public QObject
{
    Q_OBJECT

public:
    // The user agent the transfer sends.
    static inline const QByteArray kUserAgent =
        "Mozilla/5.0 (Windows NT 6.3; WOW64; rv:71.0) Gecko/20100101 Firefox/71.0";

    enum class TOutcome
    {
        Completed,
        Failed,     // the network, the server or the local file: the text says which
        FileFailed, // the local file could not be written: the text gives the system's reason
        Cancelled
    };
    Q_ENUM(TOutcome)

    explicit TFileTransfer(QObject* parent = nullptr);
    ~TFileTransfer() override;

    // Starts the transfer; Finished follows exactly once. A transfer that receives nothing for the
    // timeout fails.
    void Start(const QUrl& url, const QString& path, int timeoutMs = 30000);
    // Stops a running transfer: Finished follows with Cancelled.
    void Cancel();
    bool Running() const { return fReply != nullptr; }

signals:
    // The length the server announced (0 or less when it announced none) and the bytes received so far.
    void Progress(qint64 total, qint64 received);
    void Finished(TFileTransfer::TOutcome outcome, const QString& message);

private:
    void OnReadyRead();
    void OnFinished();
    void Fail(TOutcome outcome, const QString& message);
    bool WriteAvailable();
    QString Shown() const;

    std::unique_ptr<QNetworkAccessManager> fManager;
    QPointer<QNetworkReply> fReply;
    std::unique_ptr<QSaveFile> fFile;
    QUrl fUrl;
    int fTimeoutMs = 30000;
    bool fCancelled = false;
    bool fStatusChecked = false;
    qint64 fReceived = 0;
    // A failure found while the body arrived (an error status, a write error), reported at the end.
    std::optional<std::pair<TOutcome, QString>> fFailure;
};
