#pragma once

#include <QObject>
#include <QStringList>

class IPrompts;
class QWidget;
class TCurrentLog;
class TDM;
class TRecentContactsModel;

namespace Ui {
class TfrmMain;
}

// The contacts of the current log as the operator changes them after logging: the recent-contacts list
// with its edit, delete and undo (buttons, keys and the Edit menu), reopening a processed log, and the
// import of another program's ADIF file. Every change is signalled, and the window shows the log again.
class TContactEdits : public QObject
{
    Q_OBJECT

public:
    // The lists the edit dialog offers; filled at start-up, read when a contact is edited.
    struct TLists
    {
        const QStringList& states;
        const QStringList& countries;
        const QStringList& modes;
    };

    TContactEdits(Ui::TfrmMain& form, IPrompts& prompts, TDM& dm, TCurrentLog& log, const TLists& lists,
                  QWidget* window);

    TRecentContactsModel& RecentContacts() { return *fRecentModel; }
    // The recent-contacts line chosen, or -1.
    int CurrentRecentRow() const;
    // Edits the contact of a recent-contacts line (Edit > Edit Contact, Enter or a double click on it); the
    // newest contact when no line is chosen (row -1).
    void EditContact(int row);
    // Removes the contact of a recent-contacts line, after a confirmation.
    void DeleteContact(int row);
    // Removes the newest contact of the log, after a confirmation (Edit > Undo Last Contact, Ctrl+Z).
    void UndoLastContact();
    // File > Reopen Processed Log: lists the processed logs and clears the mark of the one chosen.
    void mnuReopenProcessedLogClick();
    // File > Import ADIF…: the contacts of another program's ADIF file into the current log.
    void mnuImportADIFClick();

signals:
    // The current log's table changed by an edit, a removal or an undo; its counters are counted again.
    void ContactsChanged();
    // Contacts of an ADIF file were stored and the counters counted again: the dupe list is out of date.
    void ContactsImported();

private:
    Ui::TfrmMain* ui;
    IPrompts& fPrompts;
    TDM& fDM;
    TCurrentLog& fLog;
    const QStringList& fStates;
    const QStringList& fCountries;
    const QStringList& fModes;
    QWidget* fWindow;
    TRecentContactsModel* fRecentModel = nullptr;
};
