#pragma once

#include <QDialog>
#include <exception>
#include <memory>

class IPrompts;
class QThread;
class TLicenceImport;

namespace Ui {
class TfrmBuildLicenceData;
}

// Options > "Build Licence Data…": the operator picks the FCC's licence file (l_amat.zip or the folder it
// unzips to, or a daily update file to apply to the existing data) and the data folder, and Build makes
// "fccdata.db" and "postal.db" there (TLicenceImport) on a worker thread, so the window stays alive; the
// progress bar follows it and Cancel stops it, leaving the old files as they were. The outcome is shown in
// the dialog and in a message box.
class TfrmBuildLicenceData : public QDialog
{
    Q_OBJECT

public:
    // folder: the data folder offered first (the FCC data folder of the settings).
    TfrmBuildLicenceData(IPrompts& prompts, const QString& folder, QWidget* parent = nullptr);
    ~TfrmBuildLicenceData() override;

    bool Running() const { return fThread != nullptr; }

    // Stops a running import and waits for it; used when the dialog closes.
    void reject() override;

signals:
    // The import ended, however it ended (for tests and for callers that wait).
    void ImportFinished();

private:
    void btnSourceClick();
    void btnFolderClick();
    void btnBuildClick();
    void btnCancelClick();
    void ImportDone();
    void ShowRunning(bool running);

    std::unique_ptr<Ui::TfrmBuildLicenceData> ui;
    IPrompts& fPrompts;
    std::unique_ptr<TLicenceImport> fImport;
    QThread* fThread = nullptr;
    QString fSummary;
    std::exception_ptr fError;
};
