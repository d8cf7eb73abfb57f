#include "TFLDigiConfig.h"

#include "ui_TFLDigiConfig.h"

#include "data/Prompts.h"

#include <QFileInfo>

TFLDigiConfig::TFLDigiConfig(IPrompts& prompts, const QString& path, int interval, bool autoLog,
                             QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFLDigiConfig>()), fPrompts(prompts)
{
    ui->setupUi(this);
    ui->txtPath->setText(path);
    // Any other interval leaves "1000 ms" selected.
    for (const auto& [ms, button] : {std::pair{500, ui->rb500}, std::pair{750, ui->rb750},
                                     std::pair{1000, ui->rb1000}, std::pair{1500, ui->rb1500}}) {
        if (ms == interval) {
            button->setChecked(true);
        }
    }
    ui->cbAutoLog->setChecked(autoLog);
    connect(ui->btnPath, &QPushButton::clicked, this, &TFLDigiConfig::btnPathClick);
    connect(ui->btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFLDigiConfig::~TFLDigiConfig() = default;

QString TFLDigiConfig::Path() const
{
    return ui->txtPath->text();
}

int TFLDigiConfig::Interval() const
{
    if (ui->rb500->isChecked()) {
        return 500;
    }
    if (ui->rb750->isChecked()) {
        return 750;
    }
    if (ui->rb1500->isChecked()) {
        return 1500;
    }
    return 1000;
}

bool TFLDigiConfig::AutoLog() const
{
    return ui->cbAutoLog->isChecked();
}

void TFLDigiConfig::btnPathClick()
{
    const QString picked =
        fPrompts.OpenFile(this, QStringLiteral("FLdigi Temporary Logfile"), QFileInfo(Path()).absolutePath(),
                          QStringLiteral("ADIF files|*.adif;*.adi|Text files|*.txt|All files|*"));
    if (!picked.isEmpty()) {
        ui->txtPath->setText(picked);
    }
}
