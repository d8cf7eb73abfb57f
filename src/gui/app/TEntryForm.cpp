#include "TEntryForm.h"

#include "ui_TfrmMain.h"

#include "TDupeListModel.h"
#include "TLookupPanel.h"
#include "app/TCurrentLog.h"
#include "data/LogRules.h"
#include "data/MyFunc.h"
#include "data/ReferenceLookup.h"
#include "data/TMysettings.h"
#include "data/TSettings.h"
#include "gui/common/TUpperCaseValidator.h"
#include "lookup/TLookup.h"

#include <QApplication>
#include <QFocusEvent>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QShortcut>
#include <QTimer>

TEntryForm::TEntryForm(Ui::TfrmMain& form, IPrompts& prompts, TDM& dm, TSettings& settings, TCurrentLog& log,
                       const TLists& lists, QWidget* window)
    : ui(&form), fPrompts(prompts), fDM(dm), fSettings(settings), fLog(log), fStates(lists.states),
      fCountries(lists.countries), fCounties(lists.counties), fWindow(window)
{
    ui->txtCallsign->setValidator(new TUpperCaseValidator(ui->txtCallsign));
    ui->txtCallsign->installEventFilter(this);
    connect(ui->txtCallsign, &QLineEdit::textChanged, this, Guarded(&TEntryForm::DoDupes));
    connect(ui->rbUS, &QRadioButton::toggled, this, [this](bool checked) {
        // Tab lands on the marked QTH button only; the arrow keys reach the other one.
        ui->rbUS->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
        ui->rbDX->setFocusPolicy(checked ? Qt::ClickFocus : Qt::StrongFocus);
        if (checked) {
            RunGuarded(fPrompts, fWindow, [&] { rbUSClick(); });
        }
    });
    connect(ui->rbDX, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked) {
            RunGuarded(fPrompts, fWindow, [&] { rbDXClick(); });
        }
    });
    connect(ui->cboQTH, &QComboBox::activated, this, Guarded(&TEntryForm::cboQTHClick));
    connect(ui->btnLog, &QPushButton::clicked, this, Guarded(&TEntryForm::btnLogClick));
    connect(ui->btnClear, &QPushButton::clicked, this, &TEntryForm::btnClearClick);
    connect(ui->cbLookup, &QCheckBox::toggled, this, &TEntryForm::cbLookupClick);
    connect(ui->cbAutoFill, &QCheckBox::toggled, this, &TEntryForm::cbAutofillClick);
    // Enter in the entry form logs the contact, as the Log button does; on a push button it presses that
    // button. Esc empties the form.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(key, ui->pnlEntry);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, Guarded(&TEntryForm::EntryFormEnter));
    }
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), ui->pnlEntry);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &TEntryForm::btnClearClick);
    // A QTH chosen by the operator (or filled in by a feed) is kept: the call sign's prefix no longer
    // changes it. Only the form's own clearing and the prefix choice itself leave it open.
    const auto chosen = [this] {
        if (!fSettingQTH) {
            fQTHChosen = true;
        }
    };
    connect(ui->rbUS, &QRadioButton::toggled, this, chosen);
    connect(ui->rbDX, &QRadioButton::toggled, this, chosen);
    connect(ui->cboQTH, &QComboBox::currentTextChanged, this, chosen);
    connect(ui->txtCallsign, &QLineEdit::textChanged, this, Guarded(&TEntryForm::PreselectQTH));
    SetMnemonics();
    fDupeModel = new TDupeListModel(this);
    ui->ListView1->setModel(fDupeModel);
    ui->lblOffLine->hide();
    // A click on the bearing label clears the form, as Clear does; the arrow keys move the QTH choice.
    for (QWidget* w : {static_cast<QWidget*>(ui->lblBD), static_cast<QWidget*>(ui->rbUS),
                       static_cast<QWidget*>(ui->rbDX)}) {
        w->installEventFilter(this);
    }
}

tLogRecord TEntryForm::RecordFromForm()
{
    tLogRecord rec;
    rec.date = ui->txtDate->text();
    // A time typed with seconds (off-line logging) is kept as hours and minutes, as the clock writes it.
    rec.time = ContactTime(ui->txtTime->text());
    rec.call = ui->txtCallsign->text();
    rec.mode = ui->cboMode->currentText();
    rec.qth = ui->cboQTH->currentText();
    rec.tenten = ui->txtTenTen->text();
    rec.vp = ui->txtVP->text();
    rec.p070 = ui->txtP070->text();
    rec.epc = ui->txtEPC->text();
    rec.comment = ui->txtComments->text();
    rec.uscounty = ui->cboCounty->currentText();
    rec.name = ui->txtName->text();
    rec.dxcc = ui->rbUS->isChecked() ? 0 : GetDXCC(fDM, rec.qth);
    return rec;
}

bool TEntryForm::DupeCheck()
{
    TContactEntry entry;
    entry.rec.call = ui->txtCallsign->text();
    entry.rec.mode = ui->cboMode->currentText();
    entry.rec.uscounty = ui->cboCounty->currentText();
    return IsDuplicateEntry(fDM, fLog.Record(), entry);
}

void TEntryForm::DoLog()
{
    switch (LogForm()) {
    case TLogResult::TOutcome::Logged:
        break;
    case TLogResult::TOutcome::NoLog:
        ShowCenteredMessage(fPrompts, fWindow,
                            QStringLiteral("No log is open. Select a log in the Logs list or create one with "
                                           "File > New before logging a contact."),
                            MsgKind::Error, MsgButton::OK);
        break;
    case TLogResult::TOutcome::Duplicate:
        ShowCenteredMessage(fPrompts, fWindow, QStringLiteral("Whoa there cowboy!!  This puppy is a DUPE!!!"),
                            MsgKind::Error, MsgButton::OK);
        break;
    }
}

TLogResult::TOutcome TEntryForm::LogForm()
{
    if (!fLog.IsCurrent()) {
        return TLogResult::TOutcome::NoLog;
    }
    const TLogResult result = ::LogContact(fDM, fLog.Record(), {RecordFromForm()});
    if (result.Logged()) {
        fLog.RaiseCounters(result.score);
        ClearEntries();
        emit Logged();
    }
    return result.outcome;
}

void TEntryForm::DoDupes(const QString& call)
{
    ui->ListView1->setUpdatesEnabled(false);
    if (call.isEmpty() || !fLog.IsCurrent()) {
        fDupeModel->clear();
    } else {
        // While a call is typed its dupes are what the operator needs to see.
        ui->PageControl1->setCurrentIndex(1);
        fDupeModel->SetReader(std::make_unique<TDupeListReader>(fDM, fLog.Record().TableName, call));
        ui->ListView1->setColumnWidth(0, 100);
        ui->ListView1->setColumnWidth(1, 65);
    }
    ui->ListView1->setUpdatesEnabled(true);
}

void TEntryForm::ClearDupes()
{
    fDupeModel->clear();
}

void TEntryForm::NewLogCurrent(const QString& contestMode)
{
    fQTHChosen = false;
    // A form without a mode takes the log's own mode.
    if (ui->cboMode->currentText().isEmpty()) {
        SelectItem(ui->cboMode, contestMode);
        ui->cboMode->setEditText(contestMode);
    }
}

void TEntryForm::txtCallsignExit()
{
    if (!ui->txtCallsign->text().isEmpty()) {
        fDupeModel->clear();
    }
    if (fautolookup && fUseAutoLook) {
        fLookupPanel->LookupCallsign();
    } else {
        fLookupPanel->ShowPrefixCountry();
    }
}

void TEntryForm::SelectItem(QComboBox* box, const QString& text, Qt::CaseSensitivity cs)
{
    const int index = box->findText(text, cs == Qt::CaseSensitive ? Qt::MatchExactly | Qt::MatchCaseSensitive
                                                                  : Qt::MatchFixedString);
    box->setCurrentIndex(index);
    if (index < 0) {
        box->setEditText(QString());
    }
}

void TEntryForm::FillFromLookup(const TFccRec& r)
{
    if (!fautofill) {
        return;
    }
    ui->txtTenTen->setText(r.tenten);
    ui->txtVP->setText(r.vp);
    ui->txtName->setText(r.firstname.isEmpty() ? r.entityname : r.firstname);
    if (!ui->lblEPC->isHidden()) {
        ui->txtEPC->setText(r.EPC);
    }
    if (!ui->lbl070->isHidden()) {
        ui->txtP070->setText(r.P070);
    }
    const QString entityState = UsStateOfCountry(r.country);
    if (r.country == QStringLiteral("United States") || !entityState.isEmpty()) {
        ui->rbUS->setChecked(true);
        SelectItem(ui->cboQTH, r.state.isEmpty() ? entityState : r.state);
        if (ui->cboQTH->currentIndex() >= 0) {
            cboQTHClick();
            SelectItem(ui->cboCounty, r.county);
        }
    } else {
        ui->rbDX->setChecked(true);
        if (!r.country.isEmpty()) {
            SelectItem(ui->cboQTH, r.country);
        }
    }
}

void TEntryForm::rbUSClick()
{
    ShowQTHChoice(fStates, true);
}

void TEntryForm::rbDXClick()
{
    ShowQTHChoice(fCountries, false);
}

void TEntryForm::ShowQTHChoice(const QStringList& items, bool us)
{
    FillBox(ui->cboQTH, items);
    ui->cboCounty->setVisible(us);
    ui->lblCounty->setVisible(us);
    ui->cboCounty->setEditText(QString());
}

void TEntryForm::FillBox(QComboBox* box, const QStringList& items)
{
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(-1);
    box->setEditText(QString());
}

void TEntryForm::cboQTHClick()
{
    if (!ui->rbUS->isChecked()) {
        return;
    }
    fCounties = fDM.GetCountyList(ui->cboQTH->currentText());
    FillBox(ui->cboCounty, fCounties);
}

void TEntryForm::ClearEntries()
{
    if (ui->pnlEntry->isHidden()) {
        return;
    }
    for (QLineEdit* field :
         {ui->txtCallsign, ui->txtName, ui->txtTenTen, ui->txtVP, ui->txtEPC, ui->txtP070}) {
        field->clear();
    }
    fSettingQTH = true;
    if (!ui->rbUS->isChecked()) {
        ui->rbUS->setChecked(true);
    }
    ui->cboQTH->setCurrentIndex(-1);
    ui->cboQTH->setEditText(QString());
    fSettingQTH = false;
    ui->cboCounty->clear();
    ui->cboCounty->setEditText(QString());
    ui->txtComments->clear();
    ui->lblBD->clear();
    ui->TextBox3->clear();
    fQTHChosen = false;
    fPreselectedState.clear();
    ui->txtCallsign->setFocus();
}

void TEntryForm::btnLogClick()
{
    DoLog();
}

void TEntryForm::btnClearClick()
{
    ClearEntries();
}

void TEntryForm::cbLookupClick(bool checked)
{
    fautolookup = checked;
}

void TEntryForm::cbAutofillClick(bool checked)
{
    fautofill = checked;
}

void TEntryForm::mnuOffLineLoggingClick()
{
    SetOfflineLogging(!fofflinelogging);
}

void TEntryForm::SetOfflineLogging(bool value)
{
    fofflinelogging = value;
    ui->lblOffLine->setVisible(value);
    ui->txtDate->setEnabled(value);
    ui->txtTime->setEnabled(value);
    ui->mnuOffLineLogging->setChecked(value);
}

void TEntryForm::SetUseAutoLook(bool value)
{
    fUseAutoLook = value;
    ui->cbLookup->setEnabled(value);
    ui->cbAutoFill->setEnabled(value);
    ui->lblBD->setVisible(value);
}

void TEntryForm::ConnectDraft()
{
    // Every change of the form is kept a moment later, so that a contact half typed survives quitting, a
    // crash or a power cut.
    fDraftTimer = new QTimer(this);
    fDraftTimer->setSingleShot(true);
    fDraftTimer->setInterval(300);
    connect(fDraftTimer, &QTimer::timeout, this, [this] {
        // A settings file that cannot be written is reported once, not at every pause in the typing.
        try {
            SaveDraft();
            fDraftSaveFailed = false;
        } catch (...) {
            if (!fDraftSaveFailed) {
                fDraftSaveFailed = true;
                ShowActionError(fPrompts, fWindow, std::current_exception());
            }
        }
    });
    const auto changed = [this] {
        if (fLog.IsCurrent() && !fRestoringDraft) {
            fDraftTimer->start();
        }
    };
    for (QLineEdit* field : {ui->txtCallsign, ui->txtName, ui->txtTenTen, ui->txtVP, ui->txtEPC, ui->txtP070,
                             ui->txtComments, ui->txtDate, ui->txtTime}) {
        connect(field, &QLineEdit::textChanged, this, [this, field, changed] {
            // The clock rewrites the date and time every second; only typed ones belong to the contact.
            if ((field != ui->txtDate && field != ui->txtTime) || fofflinelogging) {
                changed();
            }
        });
    }
    for (QComboBox* box : {ui->cboMode, ui->cboQTH, ui->cboCounty}) {
        connect(box, &QComboBox::editTextChanged, this, changed);
    }
    connect(ui->rbDX, &QRadioButton::toggled, this, changed);
}

QString TEntryForm::DraftText() const
{
    const QStringList texts = {
        ui->txtCallsign->text(),   ui->txtName->text(),          ui->txtTenTen->text(),
        ui->txtVP->text(),         ui->txtEPC->text(),           ui->txtP070->text(),
        ui->cboQTH->currentText(), ui->cboCounty->currentText(), ui->txtComments->text()};
    const bool empty =
        std::all_of(texts.cbegin(), texts.cend(), [](const QString& t) { return t.isEmpty(); });
    if (!fLog.IsCurrent() || empty) {
        return QString();
    }
    QJsonObject draft{{QStringLiteral("log"), fLog.Record().TableName},
                      {QStringLiteral("call"), ui->txtCallsign->text()},
                      {QStringLiteral("name"), ui->txtName->text()},
                      {QStringLiteral("tenten"), ui->txtTenTen->text()},
                      {QStringLiteral("vp"), ui->txtVP->text()},
                      {QStringLiteral("epc"), ui->txtEPC->text()},
                      {QStringLiteral("p070"), ui->txtP070->text()},
                      {QStringLiteral("mode"), ui->cboMode->currentText()},
                      {QStringLiteral("dx"), ui->rbDX->isChecked()},
                      {QStringLiteral("qth"), ui->cboQTH->currentText()},
                      {QStringLiteral("county"), ui->cboCounty->currentText()},
                      {QStringLiteral("comment"), ui->txtComments->text()},
                      {QStringLiteral("qthChosen"), fQTHChosen}};
    if (fofflinelogging) {
        draft.insert(QStringLiteral("date"), ui->txtDate->text());
        draft.insert(QStringLiteral("time"), ui->txtTime->text());
    }
    return QString::fromUtf8(QJsonDocument(draft).toJson(QJsonDocument::Compact));
}

void TEntryForm::SaveDraft()
{
    fDraftTimer->stop();
    if (!fLog.IsCurrent()) {
        return;
    }
    const QString text = DraftText();
    if (text != fSettings.GetSetting(SettingKeys::DraftContact, QString())) {
        fSettings.SaveSetting(SettingKeys::DraftContact, text);
    }
}

void TEntryForm::RestoreDraft()
{
    const QJsonObject draft =
        QJsonDocument::fromJson(fSettings.GetSetting(SettingKeys::DraftContact, QString()).toUtf8()).object();
    if (draft.value(QStringLiteral("log")).toString() != fLog.Record().TableName) {
        return;
    }
    fRestoringDraft = true;
    const auto done = qScopeGuard([this] { fRestoringDraft = false; });
    const auto text = [&draft](const char* key) { return draft.value(QLatin1String(key)).toString(); };
    if (draft.contains(QStringLiteral("date"))) {
        SetOfflineLogging(true);
        ui->txtDate->setText(text("date"));
        ui->txtTime->setText(text("time"));
    }
    ui->txtCallsign->setText(text("call"));
    ui->txtName->setText(text("name"));
    ui->txtTenTen->setText(text("tenten"));
    ui->txtVP->setText(text("vp"));
    ui->txtEPC->setText(text("epc"));
    ui->txtP070->setText(text("p070"));
    if (!text("mode").isEmpty()) {
        SelectItem(ui->cboMode, text("mode"));
        ui->cboMode->setEditText(text("mode"));
    }
    fSettingQTH = true;
    if (draft.value(QStringLiteral("dx")).toBool()) {
        ChooseDX();
    } else {
        ChooseUS();
    }
    SelectItem(ui->cboQTH, text("qth"));
    ui->cboQTH->setEditText(text("qth"));
    if (ui->rbUS->isChecked() && !text("qth").isEmpty()) {
        cboQTHClick();
    }
    ui->cboCounty->setEditText(text("county"));
    fSettingQTH = false;
    fQTHChosen = draft.value(QStringLiteral("qthChosen")).toBool();
    ui->txtComments->setText(text("comment"));
}

void TEntryForm::SetMnemonics()
{
    // Alt and the underlined letter reach each field of the entry form. The letters differ from those of
    // the menu bar (File, Edit, Options, Server, Display, Help), so that each Alt key has one meaning.
    const std::initializer_list<std::tuple<QLabel*, const char*, QWidget*>> labels = {
        {ui->lblDate, "&Date UTC", ui->txtDate},
        {ui->lblTime, "T&ime UTC", ui->txtTime},
        {ui->lblCallsign, "&Callsign", ui->txtCallsign},
        {ui->lblName, "&Name", ui->txtName},
        {ui->lblTenTen, "&Ten-Ten", ui->txtTenTen},
        {ui->lblVP, "&VP", ui->txtVP},
        {ui->lblMode, "&Mode", ui->cboMode},
        {ui->lblEPC, "E&PC", ui->txtEPC},
        {ui->lbl070, "0&70", ui->txtP070},
        {ui->lblCounty, "US Count&y", ui->cboCounty},
        {ui->lblComments, "Comment&s", ui->txtComments}};
    for (const auto& [label, text, buddy] : labels) {
        label->setText(QString::fromUtf8(text));
        label->setBuddy(buddy);
    }
    ui->rbUS->setText(QStringLiteral("QTH &US"));
    ui->rbDX->setText(QStringLiteral("QTH D&X"));
    ui->cbLookup->setText(QStringLiteral("Loo&kup"));
    ui->cbAutoFill->setText(QStringLiteral("&AutoFill"));
    // The QTH box has no label of its own: Alt+Q reaches it.
    auto* qth = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Q), ui->pnlEntry);
    qth->setContext(Qt::WindowShortcut);
    connect(qth, &QShortcut::activated, this, [this] {
        if (ui->pnlEntry->isVisible()) {
            ui->cboQTH->setFocus(Qt::ShortcutFocusReason);
        }
    });
}

void TEntryForm::EntryFormEnter()
{
    if (auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget());
        button && ui->pnlEntry->isAncestorOf(button)) {
        button->click();
        return;
    }
    btnLogClick();
}

bool TEntryForm::QTHChoiceKey(QObject* watched, const QKeyEvent& key)
{
    if (watched != ui->rbUS && watched != ui->rbDX) {
        return false;
    }
    if (key.key() != Qt::Key_Up && key.key() != Qt::Key_Down && key.key() != Qt::Key_Left &&
        key.key() != Qt::Key_Right) {
        return false;
    }
    // The two choices stand side by side: Left or Up marks QTH US, Right or Down QTH DX, and the focus
    // moves with the mark.
    QRadioButton* target = key.key() == Qt::Key_Left || key.key() == Qt::Key_Up ? ui->rbUS : ui->rbDX;
    if (!target->isChecked()) {
        target->setChecked(true);
    }
    target->setFocus(Qt::OtherFocusReason);
    return true;
}

void TEntryForm::PreselectQTH()
{
    if (fQTHChosen || !fLog.IsCurrent() || ui->pnlEntry->isHidden()) {
        return;
    }
    const QString call = ui->txtCallsign->text();
    if (call.isEmpty()) {
        return;
    }
    const QString country = CountryOfCall(fDM, call);
    if (country.isEmpty()) {
        return;
    }
    fSettingQTH = true;
    const auto done = qScopeGuard([this] { fSettingQTH = false; });
    // Alaska and Hawaii (KL7, KH6, ...) are US states: QTH US, the state and its counties.
    const QString state = UsStateOfCountry(country);
    if (country == QStringLiteral("United States") || !state.isEmpty()) {
        if (!ui->rbUS->isChecked()) {
            ui->rbUS->setChecked(true);
        }
        if (!state.isEmpty() && ui->cboQTH->currentText() != state) {
            SelectItem(ui->cboQTH, state);
            cboQTHClick();
            fPreselectedState = state;
        } else if (state.isEmpty() && !fPreselectedState.isEmpty() &&
                   ui->cboQTH->currentText() == fPreselectedState) {
            // The call no longer begins with the state's prefix: its state goes again.
            SelectItem(ui->cboQTH, QString());
            FillBox(ui->cboCounty, QStringList());
            fPreselectedState.clear();
        }
        return;
    }
    if (!ui->rbDX->isChecked()) {
        ui->rbDX->setChecked(true);
    }
    if (ui->cboQTH->currentText() != country) {
        SelectItem(ui->cboQTH, country);
    }
}

void TEntryForm::SetField(TField field, const QString& value)
{
    QLineEdit* edit = nullptr;
    switch (field) {
    case TField::Call:
        edit = ui->txtCallsign;
        break;
    case TField::Name:
        edit = ui->txtName;
        break;
    case TField::TenTen:
        edit = ui->txtTenTen;
        break;
    case TField::VP:
        edit = ui->txtVP;
        break;
    case TField::EPC:
        edit = ui->txtEPC;
        break;
    case TField::P070:
        edit = ui->txtP070;
        break;
    }
    edit->setText(value);
}

void TEntryForm::SetModeText(const QString& text)
{
    ui->cboMode->setEditText(text);
}

void TEntryForm::SelectMode(const QString& text)
{
    SelectItem(ui->cboMode, text, Qt::CaseInsensitive);
}

void TEntryForm::SelectQTH(const QString& text)
{
    SelectItem(ui->cboQTH, text, Qt::CaseInsensitive);
}

void TEntryForm::SelectCounty(const QString& text)
{
    SelectItem(ui->cboCounty, text, Qt::CaseInsensitive);
}

void TEntryForm::ChooseUS()
{
    // Selecting the button runs its click handling; an already selected one is run by hand.
    if (ui->rbUS->isChecked()) {
        rbUSClick();
    } else {
        ui->rbUS->setChecked(true);
    }
}

void TEntryForm::ChooseDX()
{
    if (ui->rbDX->isChecked()) {
        rbDXClick();
    } else {
        ui->rbDX->setChecked(true);
    }
}

void TEntryForm::QTHClick()
{
    cboQTHClick();
}

void TEntryForm::ClearForm()
{
    ClearEntries();
}

QString TEntryForm::Call() const
{
    return ui->txtCallsign->text();
}

void TEntryForm::AutoLookupCall()
{
    if (fautolookup) {
        fLookupPanel->LookupCallsign();
    }
}
bool TEntryForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && QTHChoiceKey(watched, *static_cast<QKeyEvent*>(event))) {
        return true;
    }
    if (watched == ui->lblBD && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && ui->lblBD->rect().contains(mouse->position().toPoint())) {
            ClearEntries();
        }
    }
    if (watched == ui->txtCallsign && event->type() == QEvent::FocusOut) {
        // A message box, a menu or another program taking the focus is not the operator leaving the field.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            RunGuarded(fPrompts, fWindow, [&] { txtCallsignExit(); });
        }
    }
    return QObject::eventFilter(watched, event);
}
