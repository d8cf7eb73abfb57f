#include "TfrmSetup.h"

#include "ui_TfrmSetup.h"

#include "data/Errors.h"
#include "data/FileWrite.h"
#include "data/MyFunc.h"
#include "data/Paths.h"
#include "data/TSettings.h"
#include "ui/Colors.h"
#include "ui/Prompts.h"
#include "ui/TUpperCaseValidator.h"
#include "ui/WindowFit.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace {

const QString kUserFileFilter = QStringLiteral("User File (*.scr)|*.SCR|All Files (*.*)|*.*");

const QString kValidation = QStringLiteral("Validation Error!  You must have the following fields filled in "
                                           "with data.\nEvent, Inital Mode, Callsign, "
                                           "First and Last Name, Address, City, State and Zipcode.");

const QString kMobileEntry = QStringLiteral("A Mobile Entry is only valid for the two Phone events or the "
                                            "Sprint Event. Please select another Entry Type.");

const QString kNotImplemented =
    QStringLiteral("This function has not been implemented and is reserved for future expansion");

enum LookupIndex
{
    kNone = 0,
    kQrzXml = 2,
    kOrvane = 4,
    kFccLookup = 5,
    kHamQthXml = 7
};

} // namespace

QByteArray UserFileText(const QStringList& fields)
{
    QByteArray bytes;
    for (const QString& field : fields) {
        bytes += field.toUtf8() + "\r\n";
    }
    return bytes;
}

QStringList ReadUserFile(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8));
    QString text = decoder(bytes);
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith('\n')) {
        text.chop(1);
    }
    return text.isEmpty() ? QStringList() : text.split('\n');
}

TfrmSetup::TfrmSetup(IPrompts& prompts, TSettings& settings, TMysettings& rec, QString& orvanePath,
                     QString& fccPath, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TfrmSetup>()), fPrompts(prompts), fSettings(settings),
      fRec(rec), fOrvanePath(orvanePath), fFCCPath(fccPath)
{
    ui->setupUi(this);
    WindowFit::RoomForCaptions(this);
    FormCreate();
}

TfrmSetup::~TfrmSetup() = default;

void TfrmSetup::FormCreate()
{
    setFixedSize(sizeHint().expandedTo(size()));
    // Colours of the main window, where the settings hold plain RGB colours.
    QPalette pal = palette();
    if (const auto back = ColorFromSetting(fSettings.GetSetting(SettingKeys::Color, -16777201))) {
        pal.setColor(QPalette::Window, *back);
    }
    if (const auto text = ColorFromSetting(fSettings.GetSetting(SettingKeys::ForeColor, -1))) {
        pal.setColor(QPalette::WindowText, *text);
    }
    setPalette(pal);

    ui->txtCallSign->setValidator(new TUpperCaseValidator(ui->txtCallSign));
    TOneLineValidator::KeepOneLine(this, {ui->txtDBPath});
    ui->cboEntry->setCurrentIndex(-1);
    ui->cboLookDB->setCurrentIndex(-1);
    ui->lblOperators->hide();
    ui->txtOperators->hide();
    ui->btnShowPassword->hide();
    // The password shows one "*" for each character, whatever the style's own mask character.
    ui->txtPassword->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    for (QWidget* w : {static_cast<QWidget*>(ui->lblUserID), static_cast<QWidget*>(ui->txtUserID),
                       static_cast<QWidget*>(ui->lblPassword), static_cast<QWidget*>(ui->txtPassword),
                       static_cast<QWidget*>(ui->lblDBPath), static_cast<QWidget*>(ui->txtDBPath),
                       static_cast<QWidget*>(ui->btnPath)}) {
        w->hide();
    }

    connect(ui->btnOK, &QPushButton::clicked, this, &TfrmSetup::btnOKClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &TfrmSetup::btnCancelClick);
    connect(ui->btnShowPassword, &QToolButton::clicked, this, &TfrmSetup::btnShowPasswordClick);
    connect(ui->cboEntry, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!fLoading) {
            cboEntryChange(index);
        }
    });
    connect(ui->cboLookDB, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!fLoading) {
            cboLookDBChange(index);
        }
    });
    connect(ui->btnPath, &QToolButton::clicked, this,
            [this] { RunGuarded(fPrompts, this, [&] { btnPathClick(); }); });
    connect(ui->Button1, &QPushButton::clicked, this,
            [this] { RunGuarded(fPrompts, this, [&] { Button1Click(); }); });
    connect(ui->Button2, &QPushButton::clicked, this,
            [this] { RunGuarded(fPrompts, this, [&] { Button2Click(); }); });
}

void TfrmSetup::PrepareNew(const QStringList& events, const QStringList& modes)
{
    ui->cboMode->addItems(modes);
    ui->cboContest->addItems(events);
    ui->cboMode->setCurrentIndex(-1);
    ui->cboContest->setCurrentIndex(-1);
    ui->txtCallSign->setEnabled(true);
}

void TfrmSetup::PrepareSetup(const QStringList& events, const QStringList& modes)
{
    fLoading = true;
    ui->cboContest->addItems(events);
    ui->cboMode->addItems(modes);
    ui->cboContest->setCurrentIndex(int(events.indexOf(fRec.ContestName)));
    ui->cboContest->setEditText(fRec.ContestName);
    ui->cboContest->setEnabled(false);
    ui->cboMode->setCurrentIndex(int(modes.indexOf(fRec.ContestMode)));
    ui->cboMode->setEditText(fRec.ContestMode);
    ui->txtCallArea->setText(fRec.CallArea);
    ui->txtChapter->setText(fRec.Chapter);
    ui->txtCallSign->setText(fRec.Callsign);
    ui->txtCallSign->setEnabled(false);
    ui->txtTenTen->setText(fRec.TenTen);
    ui->txtFirstName->setText(fRec.FirstName);
    ui->txtLastName->setText(fRec.LastName);
    ui->txtAddress->setText(fRec.Address);
    ui->txtCity->setText(fRec.City);
    ui->txtState->setText(fRec.State);
    ui->txtZipCode->setText(fRec.Postal);
    ui->txtEmailAddress->setText(fRec.Email);
    ui->txtVP->setText(fRec.vp);
    ui->txtEPC->setText(fRec.epc);
    ui->txt070->setText(fRec.p070);
    ui->txtOperators->setText(fRec.ClubOperators);
    ui->cboEntry->setCurrentIndex(
        fRec.EntityType >= 0 && fRec.EntityType < ui->cboEntry->count() ? fRec.EntityType : -1);
    // A club entry shows its operators at once.
    ui->lblOperators->setVisible(ui->cboEntry->currentIndex() == 4);
    ui->txtOperators->setVisible(ui->cboEntry->currentIndex() == 4);
    const int lookup =
        fRec.LookupType >= 0 && fRec.LookupType < ui->cboLookDB->count() ? fRec.LookupType : -1;
    ui->cboLookDB->setCurrentIndex(lookup);
    fLoading = false;
    // The QRZ and HamQTH sources load their user and password in the lookup-selection rule; any other
    // source has none.
    cboLookDBChange(lookup);
    if (lookup != kQrzXml && lookup != kHamQthXml) {
        ui->txtUserID->clear();
        ui->txtPassword->clear();
        ui->txtUserID->setEnabled(false);
        ui->txtPassword->setEnabled(false);
    }
}

void TfrmSetup::StoreIntoRecord()
{
    fRec.ContestName = ui->cboContest->currentText();
    fRec.ContestMode = ui->cboMode->currentText();
    fRec.CallArea = ui->txtCallArea->text();
    fRec.Chapter = ui->txtChapter->text();
    fRec.Callsign = ui->txtCallSign->text();
    fRec.TenTen = ui->txtTenTen->text();
    fRec.vp = ui->txtVP->text();
    fRec.FirstName = ui->txtFirstName->text();
    fRec.LastName = ui->txtLastName->text();
    fRec.Address = ui->txtAddress->text();
    fRec.City = ui->txtCity->text();
    fRec.State = ui->txtState->text();
    fRec.Postal = ui->txtZipCode->text();
    fRec.Email = ui->txtEmailAddress->text();
    fRec.epc = ui->txtEPC->text();
    fRec.p070 = ui->txt070->text();
    fRec.EntityType = ui->cboEntry->currentIndex();
    fRec.LookupType = ui->cboLookDB->currentIndex();
    fRec.ClubOperators = ui->txtOperators->text();
    if (fRec.LookupType == kQrzXml) {
        fRec.QRZXMLid = ui->txtUserID->text();
        fRec.QRZXMLpass = EncodeText(ui->txtPassword->text());
    } else if (fRec.LookupType == kHamQthXml) {
        fRec.HamQTHid = ui->txtUserID->text();
        fRec.HamQTHpass = EncodeText(ui->txtPassword->text());
    }
}

QString TfrmSetup::EventText() const
{
    return ui->cboContest->currentText();
}

QString TfrmSetup::CallSignText() const
{
    return ui->txtCallSign->text();
}

void TfrmSetup::btnOKClick()
{
    const QStringList required{
        ui->cboContest->currentText(), ui->cboMode->currentText(), ui->txtCallSign->text(),
        ui->txtFirstName->text(),      ui->txtLastName->text(),    ui->txtAddress->text(),
        ui->txtCity->text(),           ui->txtState->text(),       ui->txtZipCode->text()};
    for (const QString& value : required) {
        if (value.isEmpty()) {
            ShowCenteredMessage(fPrompts, this, kValidation, MsgKind::Error, MsgButton::OK);
            return;
        }
    }
    accept();
}

void TfrmSetup::btnCancelClick()
{
    reject();
}

void TfrmSetup::btnShowPasswordClick()
{
    fShowPassword = !fShowPassword;
    ui->btnShowPassword->setChecked(fShowPassword);
    ui->btnShowPassword->setText(fShowPassword ? QStringLiteral("Hide") : QStringLiteral("Show"));
    ui->txtPassword->setEchoMode(fShowPassword ? QLineEdit::Normal : QLineEdit::Password);
}

void TfrmSetup::cboEntryChange(int index)
{
    const QString event = ui->cboContest->currentText();
    if (index == 3 && !event.contains(QStringLiteral("Phone")) && !event.contains(QStringLiteral("Sprint"))) {
        ShowCenteredMessage(fPrompts, this, kMobileEntry, MsgKind::Error, MsgButton::OK);
        return;
    }
    fRec.EntityType = index;
    ui->lblOperators->setVisible(index == 4);
    ui->txtOperators->setVisible(index == 4);
}

void TfrmSetup::ShowLookupControls(int index)
{
    const bool account = index == kQrzXml || index == kHamQthXml;
    const bool folder = index == kOrvane || index == kFccLookup;
    ui->lblUserID->setVisible(account);
    ui->txtUserID->setVisible(account);
    ui->lblPassword->setVisible(account);
    ui->txtPassword->setVisible(account);
    ui->lblDBPath->setVisible(folder);
    ui->txtDBPath->setVisible(folder);
    ui->btnPath->setVisible(folder);
}

void TfrmSetup::cboLookDBChange(int index)
{
    ui->btnShowPassword->setVisible(index == kQrzXml || index == kHamQthXml);
    if (index < 0) {
        return;
    }
    ShowLookupControls(index);
    switch (index) {
    case kNone:
        break;
    case kQrzXml:
    case kHamQthXml:
        ui->txtUserID->setEnabled(true);
        ui->txtPassword->setEnabled(true);
        ui->txtUserID->setText(index == kQrzXml ? fRec.QRZXMLid : fRec.HamQTHid);
        ui->txtPassword->setText(DecodeText(index == kQrzXml ? fRec.QRZXMLpass : fRec.HamQTHpass));
        break;
    case kOrvane:
    case kFccLookup:
        ui->txtUserID->clear();
        ui->txtPassword->clear();
        ui->txtDBPath->setText(index == kOrvane ? fOrvanePath : fFCCPath);
        break;
    default:
        ui->txtUserID->clear();
        ui->txtPassword->clear();
        ShowCenteredMessage(fPrompts, this, kNotImplemented, MsgKind::Information, MsgButton::OK);
        break;
    }
}

void TfrmSetup::btnPathClick()
{
    const int index = ui->cboLookDB->currentIndex();
    if (index != kOrvane && index != kFccLookup) {
        return;
    }
    const QString folder =
        fPrompts.Folder(this, QStringLiteral("Database Path"), index == kOrvane ? fOrvanePath : fFCCPath);
    if (folder.isEmpty()) {
        return;
    }
    ui->txtDBPath->setText(folder);
    if (index == kOrvane) {
        fOrvanePath = folder;
        fSettings.SaveSetting(SettingKeys::OrvanePath, folder);
    } else {
        fFCCPath = folder;
        fSettings.SaveSetting(SettingKeys::FCCPath, folder);
    }
}

QStringList TfrmSetup::UserFileFields() const
{
    return {ui->txtCallSign->text(), ui->txtTenTen->text(),  ui->txtFirstName->text(),
            ui->txtLastName->text(), ui->txtAddress->text(), ui->txtCity->text(),
            ui->txtState->text(),    ui->txtZipCode->text(), ui->txtEmailAddress->text(),
            ui->txtVP->text(),       ui->txtEPC->text(),     ui->txt070->text()};
}

void TfrmSetup::SetUserFileFields(const QStringList& lines)
{
    QLineEdit* fields[] = {ui->txtCallSign,     ui->txtTenTen, ui->txtFirstName, ui->txtLastName,
                           ui->txtAddress,      ui->txtCity,   ui->txtState,     ui->txtZipCode,
                           ui->txtEmailAddress, ui->txtVP,     ui->txtEPC,       ui->txt070};
    for (int i = 0; i < 12; ++i) {
        fields[i]->setText(lines.value(i));
    }
}

void TfrmSetup::Button1Click()
{
    const QString path =
        fPrompts.OpenFile(this, QStringLiteral("Recall Info"), Paths::WorkFolder(), kUserFileFilter);
    if (path.isEmpty()) {
        return;
    }
    // Reading a database file would close a descriptor of it and so drop SQLite's locks on the log.
    if (Paths::IsDatabaseFile(path)) {
        throw EVantrel(QStringLiteral("\"%1\" is a database file, not a user file. Choose a .scr file.")
                           .arg(QDir::toNativeSeparators(path)));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw EVantrel(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    }
    SetUserFileFields(ReadUserFile(file.readAll()));
}

void TfrmSetup::Button2Click()
{
    const QString path = fPrompts.SaveFile(this, QStringLiteral("Save Info"), Paths::WorkFolder(),
                                           kUserFileFilter, QStringLiteral("scr"));
    if (path.isEmpty()) {
        return;
    }
    if (Paths::IsDatabaseFile(path)) {
        throw EVantrel(QStringLiteral("\"%1\" is a database file and is not replaced by a user file. Choose "
                                      "another name ending in .scr.")
                           .arg(QDir::toNativeSeparators(path)));
    }
    if (const QString reason = ReplaceFile(path, UserFileText(UserFileFields())); !reason.isEmpty()) {
        throw EVantrel(
            QStringLiteral("Unable to write to %1: %2").arg(QDir::toNativeSeparators(path), reason));
    }
}
