#pragma once

#include "app/IEntryForm.h"
#include "app/LogContact.h"
#include "data/Prompts.h"

#include <QObject>
#include <QStringList>

class QComboBox;
class QKeyEvent;
class QTimer;
class QWidget;
class TCurrentLog;
class TDM;
class TDupeListModel;
class TLookupPanel;
class TSettings;
struct TFccRec;
struct tLogRecord;

namespace Ui {
class TfrmMain;
}

// The entry form of the main window: the contact typed (read into a record and logged, or cleared), the
// QTH choice with the states or the countries and the counties, the preselection of the QTH from the call
// sign's prefix, the dupe list of the call typed, the keyboard (mnemonics, Enter, Esc, arrow keys on the
// QTH choice), the form filled from a lookup or by a feed, and the draft of a contact not yet logged that
// survives quitting. A contact logged is signalled; the window shows the log again. The feeds fill and log
// through it as IEntryForm.
class TEntryForm : public QObject, public IEntryForm
{
    Q_OBJECT

public:
    using TField = IEntryForm::TField;

    // The start-up lists the QTH boxes offer; the county list is replaced with the counties of the state
    // chosen.
    struct TLists
    {
        const QStringList& states;
        const QStringList& countries;
        QStringList& counties;
    };

    TEntryForm(Ui::TfrmMain& form, IPrompts& prompts, TDM& dm, TSettings& settings, TCurrentLog& log,
               const TLists& lists, QWidget* window);
    // The panel a call sign is looked up in when the operator leaves the call-sign field.
    void SetLookupPanel(TLookupPanel* panel) { fLookupPanel = panel; }

    // Logs the contact of the entry form into the current log (Log button, Enter).
    void DoLog();
    // Logs the contact of the entry form unless no log is open or it is a duplicate; the form keeps a
    // contact that was not logged.
    TLogResult::TOutcome LogForm();
    // True when the contact of the entry form is a duplicate in the current log.
    bool DupeCheck();
    // Refills the dupe list with the logged calls that begin with a prefix.
    void DoDupes(const QString& call);
    void ClearDupes();
    // Empties the entry form for the next contact.
    void ClearEntries();
    void rbUSClick();
    void rbDXClick();
    void cboQTHClick();
    void txtCallsignExit();
    // Marks QTH US or QTH DX, and the country, from the prefix of the call sign in the form, unless the
    // operator has chosen the QTH of this contact already.
    void PreselectQTH();
    // Fills the entry form from what a lookup found, when AutoFill is on.
    void FillFromLookup(const TFccRec& r);
    // A log became current: the QTH is open again, and a form without a mode takes the log's own mode.
    void NewLogCurrent(const QString& contestMode);

    bool OfflineLogging() const { return fofflinelogging; }
    void SetOfflineLogging(bool value);
    void mnuOffLineLoggingClick();
    bool AutoLookup() const override { return fautolookup; }
    bool AutoFill() const { return fautofill; }
    bool UseAutoLook() const { return fUseAutoLook; }
    void SetUseAutoLook(bool value);

    // The contact in the entry form that is not logged yet: kept in the settings while it is typed, and
    // given back when its log is current again (at the next start, say).
    void ConnectDraft();
    void SaveDraft();
    void RestoreDraft();

    // Replaces a box's items, with nothing selected and an empty text.
    static void FillBox(QComboBox* box, const QStringList& items);
    // Selects the first item whose text equals the text (exactly, or ignoring letter case); none, and an
    // empty text, otherwise.
    static void SelectItem(QComboBox* box, const QString& text, Qt::CaseSensitivity cs = Qt::CaseSensitive);

    // The entry form as the feeds use it (see IEntryForm).
    void SetField(TField field, const QString& value) override;
    void SetModeText(const QString& text) override;
    void SelectMode(const QString& text) override;
    void SelectQTH(const QString& text) override;
    void SelectCounty(const QString& text) override;
    void ChooseUS() override;
    void ChooseDX() override;
    void QTHClick() override;
    TLogResult::TOutcome LogContact() override { return LogForm(); }
    QString Call() const override;
    void ClearForm() override;
    void AutoLookupCall() override;

signals:
    // A contact of the form was logged.
    void Logged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // An event handler that shows the error of the action it runs instead of letting it leave the handler.
    template <typename... Args> auto Guarded(void (TEntryForm::*handler)(Args...))
    {
        return [this, handler](Args... args) {
            RunGuarded(fPrompts, fWindow, [&] { (this->*handler)(args...); });
        };
    }
    tLogRecord RecordFromForm();
    // Gives the QTH box the states (QTH US, with the county box) or the countries (QTH DX).
    void ShowQTHChoice(const QStringList& items, bool us);
    void btnLogClick();
    void btnClearClick();
    void cbLookupClick(bool checked);
    void cbAutofillClick(bool checked);
    QString DraftText() const;
    void SetMnemonics();
    // Enter in the entry form: a focused push button is pressed, anywhere else the contact is logged.
    void EntryFormEnter();
    // The QTH choice from the keyboard: an arrow key on QTH US or QTH DX marks the other one.
    bool QTHChoiceKey(QObject* watched, const QKeyEvent& key);

    Ui::TfrmMain* ui;
    IPrompts& fPrompts;
    TDM& fDM;
    TSettings& fSettings;
    TCurrentLog& fLog;
    const QStringList& fStates;
    const QStringList& fCountries;
    QStringList& fCounties;
    QWidget* fWindow;
    TLookupPanel* fLookupPanel = nullptr;
    TDupeListModel* fDupeModel = nullptr;

    bool fofflinelogging = false;
    bool fautolookup = false;
    bool fautofill = false;
    bool fUseAutoLook = false;
    // The operator chose the QTH of the contact in the form (marked a QTH button or picked a QTH).
    bool fQTHChosen = false;
    // Set while the program itself marks QTH US or QTH DX.
    bool fSettingQTH = false;
    // The state the call sign's prefix chose (Alaska or Hawaii), while the QTH box shows it.
    QString fPreselectedState;
    QTimer* fDraftTimer = nullptr;
    bool fRestoringDraft = false;
    bool fDraftSaveFailed = false;
};
