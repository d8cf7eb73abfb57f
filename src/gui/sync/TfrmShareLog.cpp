#include "TfrmShareLog.h"

#include "ui_TfrmShareLog.h"

#include "ui/Prompts.h"

#include <QIntValidator>

TfrmShareLog::TfrmShareLog(IPrompts& prompts, const TShareSettings& settings, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TfrmShareLog>()), fPrompts(prompts), fLog(settings.log)
{
    ui->setupUi(this);
    ui->lblLogName->setText(settings.log);
    ui->txtHost->setText(settings.host);
    ui->txtPort->setValidator(new QIntValidator(1, 65535, ui->txtPort));
    ui->txtPort->setText(QString::number(settings.port));
    ui->txtDatabase->setText(settings.database);
    ui->txtUser->setText(settings.user);
    ui->txtPassword->setText(settings.password);
    ui->cboTLSMode->addItems(TlsModes());
    ui->cboTLSMode->setCurrentIndex(std::max(0, int(TlsModes().indexOf(settings.tlsMode))));
    if (!TlsModes().contains(settings.tlsMode)) {
        ui->cboTLSMode->setCurrentText(QStringLiteral("prefer"));
    }
    ui->txtPosition->setText(settings.position.isEmpty() ? DefaultPositionName() : settings.position);
    ui->cbJoinAtStart->setChecked(settings.joinAtStart);
    connect(ui->btnShowPassword, &QPushButton::toggled, this, [this](bool shown) {
        ui->txtPassword->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
    connect(ui->btnOK, &QPushButton::clicked, this, &TfrmShareLog::btnOKClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    // The first field the operator has to fill.
    for (QLineEdit* field : {ui->txtHost, ui->txtDatabase, ui->txtUser, ui->txtPassword}) {
        if (field->text().isEmpty()) {
            field->setFocus();
            break;
        }
    }
}

TfrmShareLog::~TfrmShareLog() = default;

TShareSettings TfrmShareLog::Settings() const
{
    TShareSettings s;
    s.host = ui->txtHost->text().trimmed();
    bool ok = false;
    s.port = ui->txtPort->text().trimmed().toInt(&ok);
    if (!ok) {
        s.port = 0;
    }
    s.database = ui->txtDatabase->text().trimmed();
    s.user = ui->txtUser->text().trimmed();
    s.password = ui->txtPassword->text();
    s.tlsMode = ui->cboTLSMode->currentText();
    s.position = ui->txtPosition->text().trimmed();
    s.log = fLog;
    s.joinAtStart = ui->cbJoinAtStart->isChecked();
    return s;
}

void TfrmShareLog::btnOKClick()
{
    const TShareSettings s = Settings();
    QWidget* field = nullptr;
    if (s.host.isEmpty()) {
        field = ui->txtHost;
    } else if (s.port < 1 || s.port > 65535) {
        field = ui->txtPort;
    } else if (s.database.isEmpty()) {
        field = ui->txtDatabase;
    } else if (s.user.isEmpty()) {
        field = ui->txtUser;
    } else if (s.position.isEmpty()) {
        field = ui->txtPosition;
    }
    const QString problem =
        s.host.isEmpty() ? QStringLiteral("Enter the server's host name or address.") : s.Problem();
    if (!problem.isEmpty()) {
        ShowCenteredMessage(fPrompts, this, problem, MsgKind::Error, MsgButton::OK);
        if (field) {
            field->setFocus();
        }
        return;
    }
    accept();
}
