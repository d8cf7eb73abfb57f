#include "TfrmDataUpdate.h"

#include "ui_TfrmDataUpdate.h"

#include "ui/Prompts.h"

#include <QCloseEvent>

TfrmDataUpdate::TfrmDataUpdate(TDM& dm, TSettings& settings, IPrompts& prompts, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TfrmDataUpdate>()), fDM(dm), fSettings(settings),
      fPrompts(prompts)
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(size());
    // A bar or label that appears must not move the rows below it.
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui->pb10, ui->pbvp, ui->pbepc, ui->pb070, ui->lblTenComplete,
                                         ui->lblVPComplete, ui->lblEPCComplete, ui->lblP070Complete}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
    connect(ui->Button1, &QPushButton::clicked, this, &TfrmDataUpdate::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &TfrmDataUpdate::reject);
}

TfrmDataUpdate::~TfrmDataUpdate() = default;

QList<TRoster> TfrmDataUpdate::Ticked() const
{
    QList<TRoster> ticked;
    if (ui->cbTenTen->isChecked()) {
        ticked << TRoster::TenTen;
    }
    if (ui->cbVP->isChecked()) {
        ticked << TRoster::VP;
    }
    if (ui->cbEPC->isChecked()) {
        ticked << TRoster::EPC;
    }
    if (ui->cbP070->isChecked()) {
        ticked << TRoster::P070;
    }
    return ticked;
}

void TfrmDataUpdate::Button1Click()
{
    if (fRunning) {
        return;
    }
    fRunning = true;
    fSkipped.clear();
    const QList<TRoster> ticked = Ticked();
    for (QWidget* w : std::initializer_list<QWidget*>{ui->Button1, ui->Button2, ui->cbTenTen, ui->cbVP,
                                                      ui->cbEPC, ui->cbP070}) {
        w->setEnabled(false);
    }
    const bool done = RunGuarded(fPrompts, this, [&] {
        // Every ticked file is fetched and checked before any roster is touched: a download that fails,
        // or a file that is not its roster, then leaves every roster as it was.
        for (const TRoster roster : ticked) {
            DownloadRoster(roster, fSettings);
        }
        for (const TRoster roster : ticked) {
            CheckRoster(roster, RosterFile(roster), RosterSource(roster, fSettings).url);
        }
        TRosterHooks hooks;
        hooks.progress = [this](TRoster roster, int done, int total) {
            QProgressBar* bar = Bar(roster);
            if (done == 0) {
                bar->setRange(0, total);
                bar->show();
            }
            bar->setValue(done);
        };
        hooks.completed = [this](TRoster roster) { SetComplete(roster, true); };
        const QMap<TRoster, TRosterResult> results = LoadRosters(fDM, ticked, hooks);
        for (auto it = results.cbegin(); it != results.cend(); ++it) {
            fSkipped[it.key()] = it.value().skipped;
        }
        ShowCenteredMessage(fPrompts, this, CompleteMessage(fSkipped), MsgKind::Information, MsgButton::OK);
    });
    for (QWidget* w : std::initializer_list<QWidget*>{ui->Button1, ui->Button2, ui->cbTenTen, ui->cbVP,
                                                      ui->cbEPC, ui->cbP070}) {
        w->setEnabled(true);
    }
    fRunning = false;
    if (done) {
        accept();
    }
}

QString TfrmDataUpdate::CompleteMessage(const QMap<TRoster, int>& skipped)
{
    QString text = QStringLiteral("Update is now complete");
    QStringList notes;
    for (auto it = skipped.cbegin(); it != skipped.cend(); ++it) {
        if (it.value() > 0) {
            notes << QStringLiteral("%1 roster: %2 damaged %3 skipped")
                         .arg(RosterName(it.key()))
                         .arg(it.value())
                         .arg(it.value() == 1 ? QStringLiteral("line") : QStringLiteral("lines"));
        }
    }
    if (!notes.isEmpty()) {
        text += QStringLiteral("\n\n") + notes.join('\n');
    }
    return text;
}

QProgressBar* TfrmDataUpdate::Bar(TRoster roster) const
{
    switch (roster) {
    case TRoster::TenTen:
        return ui->pb10;
    case TRoster::VP:
        return ui->pbvp;
    case TRoster::EPC:
        return ui->pbepc;
    case TRoster::P070:
        return ui->pb070;
    }
    return ui->pb10;
}

void TfrmDataUpdate::SetComplete(TRoster roster, bool value)
{
    switch (roster) {
    case TRoster::TenTen:
        SetTenComplete(value);
        return;
    case TRoster::VP:
        SetVPComplete(value);
        return;
    case TRoster::EPC:
        SetEPCComplete(value);
        return;
    case TRoster::P070:
        SetP070Complete(value);
        return;
    }
}

void TfrmDataUpdate::ShowComplete(QLabel* label, bool value)
{
    label->setVisible(value);
    repaint();
}

void TfrmDataUpdate::SetTenComplete(bool value)
{
    fTenComplete = value;
    ShowComplete(ui->lblTenComplete, value);
}

void TfrmDataUpdate::SetVPComplete(bool value)
{
    fVPComplete = value;
    ShowComplete(ui->lblVPComplete, value);
}

void TfrmDataUpdate::SetEPCComplete(bool value)
{
    fEPCComplete = value;
    ShowComplete(ui->lblEPCComplete, value);
}

void TfrmDataUpdate::SetP070Complete(bool value)
{
    fP070Complete = value;
    ShowComplete(ui->lblP070Complete, value);
}

void TfrmDataUpdate::reject()
{
    if (!fRunning) {
        QDialog::reject();
    }
}

void TfrmDataUpdate::closeEvent(QCloseEvent* event)
{
    if (fRunning) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
