#include "TInputDialog.h"

#include "ui_TInputDialog.h"

TInputDialog::TInputDialog(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TInputDialog>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    connect(ui->btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TInputDialog::~TInputDialog() = default;

QString TInputDialog::Execute(const QString& caption, const QString& message, const QString& value)
{
    setWindowTitle(caption);
    ui->StaticText1->setText(message);
    ui->edPort->setText(value);
    ui->edPort->selectAll();
    ui->edPort->setFocus();
    return exec() == QDialog::Accepted ? ui->edPort->text() : QString();
}
