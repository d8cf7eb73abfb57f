#include "TfrmEditContact.h"

#include "ui/TUpperCaseValidator.h"
#include "ui/WindowFit.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace {

QComboBox* EditableBox(QWidget* parent, const QString& name)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

QLineEdit* Field(QWidget* parent, const QString& name, const QString& text)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    return edit;
}

} // namespace

TfrmEditContact::TfrmEditContact(const tLogRecord& rec, const TLists& lists, bool openSeason, QWidget* parent)
    : QDialog(parent), fRec(rec), fLists(lists)
{
    setObjectName(QStringLiteral("frmEditContact"));
    setWindowTitle(QStringLiteral("Edit Contact"));
    auto* form = new QFormLayout;
    txtDate = Field(this, QStringLiteral("txtDate"), rec.date);
    txtTime = Field(this, QStringLiteral("txtTime"), rec.time);
    txtCallsign = Field(this, QStringLiteral("txtCallsign"), rec.call);
    txtCallsign->setValidator(new TUpperCaseValidator(txtCallsign));
    txtName = Field(this, QStringLiteral("txtName"), rec.name);
    txtTenTen = Field(this, QStringLiteral("txtTenTen"), rec.tenten);
    txtVP = Field(this, QStringLiteral("txtVP"), rec.vp);
    cboMode = EditableBox(this, QStringLiteral("cboMode"));
    cboMode->addItems(lists.modes);
    cboMode->setEditText(rec.mode);
    txtEPC = Field(this, QStringLiteral("txtEPC"), rec.epc);
    txtP070 = Field(this, QStringLiteral("txtP070"), rec.p070);
    rbUS = new QRadioButton(QStringLiteral("QTH &US"), this);
    rbUS->setObjectName(QStringLiteral("rbUS"));
    rbDX = new QRadioButton(QStringLiteral("QTH D&X"), this);
    rbDX->setObjectName(QStringLiteral("rbDX"));
    cboQTH = EditableBox(this, QStringLiteral("cboQTH"));
    cboCounty = EditableBox(this, QStringLiteral("cboCounty"));
    txtComments = Field(this, QStringLiteral("txtComments"), rec.comment);

    form->addRow(QStringLiteral("&Date UTC"), txtDate);
    form->addRow(QStringLiteral("T&ime UTC"), txtTime);
    form->addRow(QStringLiteral("&Callsign"), txtCallsign);
    form->addRow(QStringLiteral("&Name"), txtName);
    form->addRow(QStringLiteral("&Ten-Ten"), txtTenTen);
    form->addRow(QStringLiteral("&VP"), txtVP);
    form->addRow(QStringLiteral("&Mode"), cboMode);
    if (openSeason) {
        form->addRow(QStringLiteral("E&PC"), txtEPC);
        form->addRow(QStringLiteral("0&70"), txtP070);
    } else {
        txtEPC->hide();
        txtP070->hide();
    }
    auto* qthChoice = new QHBoxLayout;
    qthChoice->addWidget(rbUS);
    qthChoice->addWidget(rbDX);
    qthChoice->addStretch();
    form->addRow(QString(), qthChoice);
    form->addRow(QStringLiteral("&QTH"), cboQTH);
    form->addRow(QStringLiteral("US Count&y"), cboCounty);
    form->addRow(QStringLiteral("Comment&s"), txtComments);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmEditContact::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmEditContact::reject);
    auto* main = new QVBoxLayout(this);
    main->addLayout(form);
    main->addWidget(buttons);

    // A contact stored with DXCC number 0 is a US contact.
    const bool us = rec.dxcc == 0;
    (us ? rbUS : rbDX)->setChecked(true);
    ShowQTHChoice(us);
    cboQTH->setEditText(rec.qth);
    if (us && fLists.countiesOf) {
        cboCounty->addItems(fLists.countiesOf(rec.qth));
    }
    cboCounty->setEditText(rec.uscounty);
    connect(rbUS, &QRadioButton::toggled, this, [this](bool checked) { ShowQTHChoice(checked); });
    connect(cboQTH, &QComboBox::activated, this, [this] {
        if (rbUS->isChecked() && fLists.countiesOf) {
            cboCounty->clear();
            cboCounty->addItems(fLists.countiesOf(cboQTH->currentText()));
            cboCounty->setEditText(QString());
        }
    });
    WindowFit::RoomForCaptions(this);
    txtCallsign->setFocus();
}

void TfrmEditContact::ShowQTHChoice(bool us)
{
    cboQTH->clear();
    cboQTH->addItems(us ? fLists.states : fLists.countries);
    cboQTH->setCurrentIndex(-1);
    cboQTH->setEditText(QString());
    cboCounty->clear();
    cboCounty->setEditText(QString());
    cboCounty->setEnabled(us);
}

bool TfrmEditContact::IsUS() const
{
    return rbUS->isChecked();
}

tLogRecord TfrmEditContact::Record() const
{
    tLogRecord rec = fRec;
    rec.date = txtDate->text();
    rec.time = txtTime->text();
    rec.call = txtCallsign->text();
    rec.name = txtName->text();
    rec.tenten = txtTenTen->text();
    rec.vp = txtVP->text();
    rec.mode = cboMode->currentText();
    rec.epc = txtEPC->text();
    rec.p070 = txtP070->text();
    rec.qth = cboQTH->currentText();
    rec.uscounty = rbUS->isChecked() ? cboCounty->currentText() : QString();
    rec.comment = txtComments->text();
    return rec;
}

void TfrmEditContact::accept()
{
    if (fAcceptCheck && !fAcceptCheck(*this)) {
        return;
    }
    QDialog::accept();
}
