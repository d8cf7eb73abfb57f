#include "TAboutBox.h"

#include "ui_TAboutBox.h"

#include "TRealPrompts.h"

#include <QApplication>

TAboutBox::TAboutBox(IPrompts& prompts, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TAboutBox>())
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    connect(ui->OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);
    RunGuarded(prompts, parent, [this] { FormCreate(); });
    adjustSize();
    setFixedSize(size());
    if (parent) {
        move(CenteredTopLeft(parent->window()->frameGeometry(), frameGeometry().size()));
    }
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::FormCreate()
{
    const QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) {
        return;
    }
    ui->ProgramIcon->setPixmap(icon.pixmap(120, 120));
    fosVer = GetEXEVersionData(QCoreApplication::applicationFilePath());
    ui->ProductName->setText(fosVer.ProductName);
    ui->Version->setText(QStringLiteral("Versiom: ") + fosVer.FileVersion);
    ui->Comments->setText(fosVer.Comments);
    ui->Copyright->setText(fosVer.LegalCopyright + QLatin1Char('\n') + fosVer.LegalTrademarks);
    ui->LabelOS->setText(QStringLiteral("Operating System: ") + GetOS());
}

void TAboutBox::OKButtonClick()
{
    accept();
}
