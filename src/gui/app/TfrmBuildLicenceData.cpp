#include "TfrmBuildLicenceData.h"

#include "ui_TfrmBuildLicenceData.h"

#include "data/Prompts.h"
#include "lookup/TLicenceImport.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

TfrmBuildLicenceData::TfrmBuildLicenceData(IPrompts& prompts, const QString& folder, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TfrmBuildLicenceData>()), fPrompts(prompts)
{
    ui->setupUi(this);
    ui->txtFolder->setText(QDir::toNativeSeparators(folder));
    const QString downloaded = QDir(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation))
                                   .filePath(QStringLiteral("l_amat.zip"));
    if (QFileInfo(downloaded).isFile()) {
        ui->txtSource->setText(QDir::toNativeSeparators(downloaded));
    }
    connect(ui->btnSource, &QPushButton::clicked, this, &TfrmBuildLicenceData::btnSourceClick);
    connect(ui->btnFolder, &QPushButton::clicked, this, &TfrmBuildLicenceData::btnFolderClick);
    connect(ui->btnBuild, &QPushButton::clicked, this, &TfrmBuildLicenceData::btnBuildClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &TfrmBuildLicenceData::btnCancelClick);
    connect(ui->btnClose, &QPushButton::clicked, this, &TfrmBuildLicenceData::reject);
    ShowRunning(false);
}

TfrmBuildLicenceData::~TfrmBuildLicenceData()
{
    if (fThread) {
        fImport->Cancel();
        fThread->wait();
    }
}

void TfrmBuildLicenceData::btnSourceClick()
{
    const QString start = ui->txtSource->text().isEmpty()
                              ? QStandardPaths::writableLocation(QStandardPaths::DownloadLocation)
                              : QFileInfo(QDir::fromNativeSeparators(ui->txtSource->text())).path();
    const QString file = fPrompts.OpenFile(this, QStringLiteral("FCC licence file"), start,
                                           QStringLiteral("FCC licence files (*.zip)|*.zip|All files|*"));
    if (!file.isEmpty()) {
        ui->txtSource->setText(QDir::toNativeSeparators(file));
    }
}

void TfrmBuildLicenceData::btnFolderClick()
{
    const QString folder = fPrompts.Folder(this, QStringLiteral("Data folder for fccdata.db and postal.db"),
                                           QDir::fromNativeSeparators(ui->txtFolder->text()));
    if (!folder.isEmpty()) {
        ui->txtFolder->setText(QDir::toNativeSeparators(folder));
    }
}

void TfrmBuildLicenceData::btnBuildClick()
{
    if (fThread) {
        return;
    }
    const QString source = QDir::fromNativeSeparators(ui->txtSource->text().trimmed());
    const QString folder = QDir::fromNativeSeparators(ui->txtFolder->text().trimmed());
    if (source.isEmpty() || !QFileInfo::exists(source)) {
        ShowCenteredMessage(
            fPrompts, this,
            QStringLiteral("Choose the FCC licence file l_amat.zip (or the folder it unzips to)."),
            MsgKind::Warning, MsgButton::OK);
        ui->txtSource->setFocus();
        return;
    }
    if (folder.isEmpty()) {
        ShowCenteredMessage(fPrompts, this,
                            QStringLiteral("Choose the data folder for fccdata.db and postal.db."),
                            MsgKind::Warning, MsgButton::OK);
        ui->txtFolder->setFocus();
        return;
    }
    fImport = std::make_unique<TLicenceImport>(source, folder);
    fImport->SetUpdate(ui->cbUpdate->isChecked());
    fSummary.clear();
    fError = nullptr;
    // The bar is updated on this thread; the worker only posts the figures.
    fImport->SetProgress([this](int percent) {
        QMetaObject::invokeMethod(
            this, [this, percent] { ui->pbImport->setValue(percent); }, Qt::QueuedConnection);
    });
    ui->pbImport->setValue(0);
    ui->lblStatus->setText(QStringLiteral("Reading %1 ...").arg(QDir::toNativeSeparators(source)));
    fThread = QThread::create([this] {
        try {
            fSummary = fImport->Run().Text();
        } catch (...) {
            fError = std::current_exception();
        }
    });
    connect(fThread, &QThread::finished, this, &TfrmBuildLicenceData::ImportDone);
    ShowRunning(true);
    fThread->start(QThread::LowPriority);
}

void TfrmBuildLicenceData::btnCancelClick()
{
    if (fThread) {
        fImport->Cancel();
        ui->lblStatus->setText(QStringLiteral("Cancelling ..."));
        ui->btnCancel->setEnabled(false);
    }
}

void TfrmBuildLicenceData::reject()
{
    if (fThread) {
        btnCancelClick();
        fThread->wait();
        ImportDone();
    }
    QDialog::reject();
}

void TfrmBuildLicenceData::ImportDone()
{
    if (!fThread) {
        return;
    }
    fThread->wait();
    delete fThread;
    fThread = nullptr;
    ShowRunning(false);
    if (fError) {
        try {
            std::rethrow_exception(fError);
        } catch (const EImportCancelled& e) {
            ui->pbImport->setValue(0);
            ui->lblStatus->setText(e.Message());
        } catch (...) {
            ui->lblStatus->setText(QStringLiteral("The licence data was not built; the old files are kept."));
            ShowActionError(fPrompts, this, std::current_exception());
        }
    } else {
        ui->pbImport->setValue(100);
        ui->lblStatus->setText(fSummary);
        ShowCenteredMessage(fPrompts, this, fSummary, MsgKind::Information, MsgButton::OK);
    }
    fImport.reset();
    emit ImportFinished();
}

void TfrmBuildLicenceData::ShowRunning(bool running)
{
    ui->txtSource->setEnabled(!running);
    ui->btnSource->setEnabled(!running);
    ui->txtFolder->setEnabled(!running);
    ui->btnFolder->setEnabled(!running);
    ui->cbUpdate->setEnabled(!running);
    ui->btnBuild->setEnabled(!running);
    ui->btnCancel->setEnabled(running);
    ui->btnClose->setEnabled(!running);
}
