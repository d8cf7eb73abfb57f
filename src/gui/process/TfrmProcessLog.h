#pragma once

#include "process/SubmissionLog.h"

#include "data/TMysettings.h"

#include <QDialog>
#include <functional>
#include <memory>

class IPrompts;
class QButtonGroup;
class TDM;

namespace Ui {
class TfrmProcessLog;
}

// The "Process Contest" dialog: the operator picks a destination folder, types soapbox comments, chooses
// the submission log's line ending and the options, and OK writes the files of the open log
// (TLogProcessor). Created once for the run and shown modally each time, so every choice keeps its value
// from one use to the next; they start empty, unticked and LF.
class TfrmProcessLog : public QDialog
{
    Q_OBJECT

public:
    // Reads the score counters of the open log as they stand when OK is pressed.
    using TCounters = std::function<TScoreCounters()>;

    // The configuration record is read when OK is pressed; it and the data module must outlive the dialog.
    TfrmProcessLog(IPrompts& prompts, TDM& dm, const TMysettings& settings, TCounters counters,
                   QWidget* parent = nullptr);
    ~TfrmProcessLog() override;

    // The table name of the log to process; setting it names the log in the caption.
    QString TableName() const { return ftablename; }
    void SetTableName(const QString& name);

    // The picked destination folder, ending in a separator; empty until a folder is picked.
    QString FloderName() const { return fFloderName; }
    // The submission log's line end.
    QString EOL() const { return fEOL; }
    bool adifexport() const { return fadifexport; }
    bool processflag() const { return fprocessflag; }
    bool adifcomment() const { return fadifcomment; }
    bool savecharts() const { return fsavecharts; }

    // Writes the files of the log named by TableName, marks it processed when asked, tells the operator
    // where the files are and closes the dialog. Throws on the first failure (the dialog stays open).
    void ProcessTheLog();

private:
    void btnBrowseClick();
    void btnOKClick();
    void cbExportClick(bool checked);
    void cbProcessFlagClick(bool checked);
    void cbADIFCommentClick(bool checked);
    void cbSaveChartsClick(bool checked);
    void RadioGroup1Click(int itemIndex);

    std::unique_ptr<Ui::TfrmProcessLog> ui;
    QButtonGroup* fRadioGroup1 = nullptr;
    IPrompts& fPrompts;
    TDM& fDM;
    const TMysettings& fSettings;
    TCounters fCounters;

    QString fFloderName;
    QString ftablename;
    QString fEOL = LineEndingText(TLineEnding::LF);
    bool fadifexport = false;
    bool fprocessflag = false;
    bool fadifcomment = false;
    bool fsavecharts = false;
};
