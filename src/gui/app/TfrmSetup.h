#pragma once

#include "data/TMysettings.h"

#include <QDialog>
#include <memory>

class IPrompts;
class TSettings;

namespace Ui {
class TfrmSetup;
}

// The event and operator configuration dialog, used to create a log (File > New) and to edit the
// current log's configuration (Options > Setup). It edits the single configuration record: an entry-type
// choice reaches the record at once, everything else when the caller stores the dialog's values.
class TfrmSetup : public QDialog
{
    Q_OBJECT

public:
    // The Orvane and FCC folders are program-wide settings; the folder button changes them and saves
    // them at once.
    TfrmSetup(IPrompts& prompts, TSettings& settings, TMysettings& rec, QString& orvanePath, QString& fccPath,
              QWidget* parent = nullptr);
    ~TfrmSetup() override;

    // Prepares the dialog for a new log: the two lists, nothing selected, the call sign editable.
    void PrepareNew(const QStringList& events, const QStringList& modes);
    // Fills the dialog from the record for Options > Setup: the event and call sign cannot be changed.
    void PrepareSetup(const QStringList& events, const QStringList& modes);
    // Copies the dialog's values into the record (credentials only for the QRZ or HamQTH source).
    void StoreIntoRecord();

    QString EventText() const;
    QString CallSignText() const;

    // Dialog events.
    void btnOKClick();
    void btnCancelClick();
    void btnShowPasswordClick();
    void cboEntryChange(int index);
    void cboLookDBChange(int index);
    void btnPathClick();
    void Button1Click(); // Recall Info
    void Button2Click(); // Save Info

    // The twelve personal fields of a user file, in file order.
    QStringList UserFileFields() const;
    void SetUserFileFields(const QStringList& lines);

private:
    void FormCreate();
    void ShowLookupControls(int index);

    std::unique_ptr<Ui::TfrmSetup> ui;
    IPrompts& fPrompts;
    TSettings& fSettings;
    TMysettings& fRec;
    QString& fOrvanePath;
    QString& fFCCPath;
    bool fShowPassword = false;
    bool fLoading = false;
};

// The text of a user file: twelve lines, each ended by CR LF. Reading takes the encoding from a
// byte-order mark (UTF-8 without one) and gives the lines it holds.
QByteArray UserFileText(const QStringList& fields);
QStringList ReadUserFile(const QByteArray& bytes);
