#pragma once

#include "data/TFileTransfer.h"

#include <QDialog>
#include <memory>

class IPrompts;

namespace Ui {
class TfrmFileDownload;
}

// The "File Downloader" dialog: downloads one URL into a local file (TFileTransfer) while it shows the
// two names, the byte counts and a progress bar, and closes itself once the transfer has ended: with OK
// when the file is complete, with Cancel after a failure (which it reports first) or when the operator
// pressed Cancel. It cannot be closed otherwise while the transfer runs.
class TfrmFileDownload : public QDialog
{
    Q_OBJECT

public:
    // The user agent the transfer sends.
    static inline const QByteArray kUserAgent =
        "Mozilla/5.0 (Windows NT 6.3; WOW64; rv:71.0) Gecko/20100101 Firefox/71.0";
    // The largest file the dialog downloads: an installer several times the size of today's.
    static constexpr qint64 kMaxBytes = 256 * 1024 * 1024;

    TfrmFileDownload(IPrompts& prompts, QWidget* owner, const QString& aFileName, const QString& aURL);
    TfrmFileDownload(IPrompts& prompts, QWidget* owner);
    ~TfrmFileDownload() override;

    // Starts the transfer; done when the dialog is first shown, with the URL and file it was made with.
    void Download(const QString& url, const QString& filename);
    // Reports a failure of the local file and closes the dialog with Cancel.
    void ShowDownloadError(const QString& reason = QString());

    QString req_url;
    QString req_filename;
    qint64 TotalBytes = 0;
    qint64 LastWorkCount = 0;
    // True once the transfer has ended, with or without success; the dialog closes only then.
    bool Finished = true;

    // How long the transfer may go without receiving anything before it fails.
    void SetTimeout(int milliseconds) { fTimeoutMs = milliseconds; }
    // The largest file the transfer takes before it stops (kMaxBytes unless a test sets less).
    void SetMaxBytes(qint64 bytes) { fMaxBytes = bytes; }

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void OnProgress(qint64 total, qint64 received);
    void OnFinished(TFileTransfer::TOutcome outcome, const QString& reason);

    std::unique_ptr<Ui::TfrmFileDownload> ui;
    IPrompts& fPrompts;
    TFileTransfer fTransfer;
    bool fStarted = false;
    int fTimeoutMs = 30000;
    qint64 fMaxBytes = kMaxBytes;
    // The address being fetched, for the error message.
    QString fUrl;
};
