#include "TfrmFileDownload.h"

#include "ui_TfrmFileDownload.h"

#include "ui/Prompts.h"

#include <QCloseEvent>
#include <QDir>

TfrmFileDownload::TfrmFileDownload(IPrompts& prompts, QWidget* owner, const QString& aFileName,
                                   const QString& aURL)
    : TfrmFileDownload(prompts, owner)
{
    req_filename = aFileName;
    req_url = aURL;
}

TfrmFileDownload::TfrmFileDownload(IPrompts& prompts, QWidget* owner)
    : QDialog(owner), ui(std::make_unique<Ui::TfrmFileDownload>()), fPrompts(prompts)
{
    ui->setupUi(this);
    QFont tahoma = font();
    tahoma.setPixelSize(16);
    setFont(tahoma);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(size());
    fTransfer.SetUserAgent(kUserAgent);
    connect(&fTransfer, &TFileTransfer::Progress, this, &TfrmFileDownload::OnProgress);
    connect(&fTransfer, &TFileTransfer::Finished, this, &TfrmFileDownload::OnFinished);
    connect(ui->btnCancel, &QPushButton::clicked, &fTransfer, &TFileTransfer::Cancel);
}

TfrmFileDownload::~TfrmFileDownload() = default;

void TfrmFileDownload::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!fStarted) {
        fStarted = true;
        Download(req_url, req_filename);
    }
}

namespace {

// A long name keeps its beginning and end in the fixed-size dialog; the whole name is the tool tip.
void ShowName(QLabel* label, const QString& name)
{
    label->setToolTip(name);
    label->setText(label->fontMetrics().elidedText(name, Qt::ElideMiddle, label->width()));
}

} // namespace

void TfrmFileDownload::Download(const QString& url, const QString& filename)
{
    ShowName(ui->lclFile, QDir::toNativeSeparators(filename));
    ShowName(ui->reqFile, url);
    Finished = false;
    fUrl = url;
    ui->btnCancel->setEnabled(true);
    fTransfer.Start(QUrl(url), filename, fTimeoutMs, fMaxBytes);
}

void TfrmFileDownload::OnProgress(qint64 total, qint64 received)
{
    TotalBytes = total;
    LastWorkCount = received;
    if (TotalBytes > 0) {
        ui->ProgressBar1->setRange(0, 100);
        ui->ProgressBar1->setValue(int(100 * received / total));
        ui->lblTotalBytes->setText(QString::number(TotalBytes));
    } else {
        // No announced length: a busy bar rather than a percentage of nothing.
        ui->ProgressBar1->setRange(0, 0);
    }
    ui->lblTransfered->setText(QString::number(LastWorkCount));
}

void TfrmFileDownload::OnFinished(TFileTransfer::TOutcome outcome, const QString& reason)
{
    Finished = true;
    ui->btnCancel->setEnabled(false);
    switch (outcome) {
    case TFileTransfer::TOutcome::Completed:
        ui->ProgressBar1->setRange(0, 100);
        ui->ProgressBar1->setValue(100);
        done(QDialog::Accepted);
        return;
    case TFileTransfer::TOutcome::Failed:
        ShowCenteredMessage(fPrompts, this,
                            QStringLiteral("Error downloading URL: %1 (%2)").arg(fUrl, reason),
                            MsgKind::Error, MsgButton::OK);
        done(QDialog::Rejected);
        return;
    case TFileTransfer::TOutcome::FileFailed:
        ShowDownloadError(reason);
        return;
    case TFileTransfer::TOutcome::Cancelled:
        done(QDialog::Rejected);
        return;
    }
}

void TfrmFileDownload::ShowDownloadError(const QString& reason)
{
    Finished = true;
    QString text = QStringLiteral("Downoad Error");
    if (!reason.isEmpty()) {
        text += '\n' + reason;
    }
    ShowCenteredMessage(fPrompts, this, text, MsgKind::Error, MsgButton::OK);
    done(QDialog::Rejected);
}

void TfrmFileDownload::reject()
{
    // Escape and the close box end the dialog only once the transfer has ended; Cancel stops it.
    if (Finished) {
        QDialog::reject();
    }
}

void TfrmFileDownload::closeEvent(QCloseEvent* event)
{
    if (!Finished) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
