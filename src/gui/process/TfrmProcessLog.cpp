#include "TfrmProcessLog.h"

#include "ui_TfrmProcessLog.h"

#include "process/TLogProcessor.h"

#include "data/Paths.h"
#include "data/Prompts.h"
#include "gui/common/TOneLineValidator.h"
#include "gui/stats/TStatsChartView.h"
#include "stats/TLogStatistics.h"

#include <QButtonGroup>
#include <QDir>

namespace {

const QString kProcessFlagQuestion =
    QStringLiteral("Setting the process flag takes this log off the list of open logs once it is processed.\n"
                   "File > Reopen Processed Log brings it back.\n\nSet the process flag?");

} // namespace

TfrmProcessLog::TfrmProcessLog(IPrompts& prompts, TDM& dm, const TMysettings& settings, TCounters counters,
                               QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TfrmProcessLog>()), fPrompts(prompts), fDM(dm),
      fSettings(settings), fCounters(std::move(counters))
{
    ui->setupUi(this);
    ui->txtSoapBox->setValidator(new TOneLineValidator(ui->txtSoapBox));

    // The line-ending choices in their order: 0 CR LF, 1 LF CR, 2 LF.
    fRadioGroup1 = new QButtonGroup(this);
    fRadioGroup1->addButton(ui->rbCRLF, int(TLineEnding::CRLF));
    fRadioGroup1->addButton(ui->rbLFCR, int(TLineEnding::LFCR));
    fRadioGroup1->addButton(ui->rbLF, int(TLineEnding::LF));

    connect(ui->btnBrowse, &QPushButton::clicked, this, &TfrmProcessLog::btnBrowseClick);
    connect(ui->btnOK, &QPushButton::clicked, this, &TfrmProcessLog::btnOKClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->cbExport, &QCheckBox::toggled, this, &TfrmProcessLog::cbExportClick);
    connect(ui->cbProcessFlag, &QCheckBox::toggled, this, &TfrmProcessLog::cbProcessFlagClick);
    // Ticking the flag takes the log off the list of open logs once processed: the operator confirms it.
    connect(ui->cbProcessFlag, &QCheckBox::clicked, this, [this](bool checked) {
        if (checked && ShowCenteredMessage(fPrompts, this, kProcessFlagQuestion, MsgKind::Confirmation,
                                           MsgButton::Yes | MsgButton::No) != MsgButton::Yes) {
            ui->cbProcessFlag->setChecked(false);
        }
    });
    // Without a picked folder the files go to the work folder.
    ui->txtFileName->setPlaceholderText(QDir::toNativeSeparators(Paths::WorkFolder()));
    connect(ui->cbADIFComment, &QCheckBox::toggled, this, &TfrmProcessLog::cbADIFCommentClick);
    connect(ui->cbSaveCharts, &QCheckBox::toggled, this, &TfrmProcessLog::cbSaveChartsClick);
    connect(fRadioGroup1, &QButtonGroup::idClicked, this, &TfrmProcessLog::RadioGroup1Click);
}

TfrmProcessLog::~TfrmProcessLog() = default;

void TfrmProcessLog::SetTableName(const QString& name)
{
    ftablename = name;
    setWindowTitle(QStringLiteral("Process Log - ") + name);
}

void TfrmProcessLog::btnBrowseClick()
{
    const QString folder =
        fPrompts.Folder(this, QStringLiteral("Folder to save processed files"), Paths::WorkFolder());
    if (folder.isEmpty()) {
        return;
    }
    fFloderName = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    ui->txtFileName->setText(fFloderName);
}

void TfrmProcessLog::cbExportClick(bool checked)
{
    fadifexport = checked;
}

void TfrmProcessLog::cbProcessFlagClick(bool checked)
{
    fprocessflag = checked;
}

void TfrmProcessLog::cbADIFCommentClick(bool checked)
{
    fadifcomment = checked;
}

void TfrmProcessLog::cbSaveChartsClick(bool checked)
{
    fsavecharts = checked;
}

void TfrmProcessLog::RadioGroup1Click(int itemIndex)
{
    fEOL = LineEndingText(TLineEnding(itemIndex));
}

void TfrmProcessLog::btnOKClick()
{
    RunGuarded(fPrompts, this, [this] { ProcessTheLog(); });
}

void TfrmProcessLog::ProcessTheLog()
{
    TProcessOptions options;
    // No folder picked: the work folder, never the program's current directory.
    const QString folder = fFloderName.isEmpty() ? Paths::WorkFolder() : fFloderName;
    options.folder = folder;
    options.soapbox = ui->txtSoapBox->text();
    options.eol = fEOL;
    options.adifexport = fadifexport;
    options.adifcomment = fadifcomment;
    options.processflag = fprocessflag;
    if (fsavecharts) {
        // The charts of the whole log, in the colours of the program's theme.
        options.moreFiles = [this](const QString& out, const QString& table) {
            TLogStatistics stats(fDM);
            stats.SetLog(table);
            SaveChartImages(stats.Engine(), palette(), out, table);
        };
    }
    const TScoreCounters score = fCounters ? fCounters() : TScoreCounters();

    TLogProcessor(fDM, fSettings, ftablename, score, options).ProcessTheLog();

    ShowCenteredMessage(fPrompts, this,
                        QStringLiteral("Submission files written to ") + QDir::toNativeSeparators(folder),
                        MsgKind::Information, MsgButton::OK);
    accept();
}
