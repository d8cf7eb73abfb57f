#include "TContactEdits.h"

#include "ui_TfrmMain.h"

#include "TRecentContactsModel.h"
#include "TfrmEditContact.h"
#include "app/ADIFImport.h"
#include "app/LogContact.h"
#include "app/TCurrentLog.h"
#include "data/Errors.h"
#include "data/LogEdits.h"
#include "data/LogRules.h"
#include "data/MyFunc.h"
#include "data/Paths.h"
#include "data/Prompts.h"
#include "data/TDM.h"
#include "data/TMysettings.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QListWidget>
#include <QProgressDialog>
#include <QShortcut>
#include <QVBoxLayout>

TContactEdits::TContactEdits(Ui::TfrmMain& form, IPrompts& prompts, TDM& dm, TCurrentLog& log,
                             const TLists& lists, QWidget* window)
    : ui(&form), fPrompts(prompts), fDM(dm), fLog(log), fStates(lists.states), fCountries(lists.countries),
      fModes(lists.modes), fWindow(window)
{
    fRecentModel = new TRecentContactsModel(this);
    QTableView* grid = ui->gridRecent;
    grid->setModel(fRecentModel);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setWordWrap(false);
    const QFontMetrics fm = grid->fontMetrics();
    const int widths[] = {6, 10, 6, 14, 14, 7, 6, 6, 6, 6};
    for (int column = 0; column < int(std::size(widths)); ++column) {
        grid->setColumnWidth(column, fm.horizontalAdvance(QLatin1Char('M')) * widths[column] * 2 / 3 + 8);
    }
    connect(grid, &QTableView::activated, this, [this](const QModelIndex& index) {
        RunGuarded(fPrompts, fWindow, [&] { EditContact(index.row()); });
    });
    // The Delete key alone: the platform's Delete binding may include Ctrl+D (X11), the menu's key for the
    // roster update, which would then do nothing while the list has the focus.
    auto* remove = new QShortcut(QKeySequence(Qt::Key_Delete), grid);
    remove->setContext(Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this,
            [this] { RunGuarded(fPrompts, fWindow, [this] { DeleteContact(CurrentRecentRow()); }); });
    connect(ui->btnEditContact, &QPushButton::clicked, this,
            [this] { RunGuarded(fPrompts, fWindow, [this] { EditContact(CurrentRecentRow()); }); });
    connect(ui->btnDeleteContact, &QPushButton::clicked, this,
            [this] { RunGuarded(fPrompts, fWindow, [this] { DeleteContact(CurrentRecentRow()); }); });
    connect(ui->btnUndoLast, &QPushButton::clicked, this,
            [this] { RunGuarded(fPrompts, fWindow, [this] { UndoLastContact(); }); });
    connect(ui->mnuUndoLastContact, &QAction::triggered, this,
            [this] { RunGuarded(fPrompts, fWindow, [this] { UndoLastContact(); }); });
    connect(ui->mnuReopenProcessedLog, &QAction::triggered, this,
            [this] { RunGuarded(fPrompts, fWindow, [this] { mnuReopenProcessedLogClick(); }); });
    connect(ui->mnuEditContact, &QAction::triggered, this,
            [this] { RunGuarded(fPrompts, fWindow, [this] { EditContact(CurrentRecentRow()); }); });
    connect(ui->mnuDeleteContact, &QAction::triggered, this,
            [this] { RunGuarded(fPrompts, fWindow, [this] { DeleteContact(CurrentRecentRow()); }); });
}

int TContactEdits::CurrentRecentRow() const
{
    const QModelIndex index = ui->gridRecent->currentIndex();
    const QItemSelectionModel* selection = ui->gridRecent->selectionModel();
    return index.isValid() && selection && selection->isRowSelected(index.row()) ? index.row() : -1;
}

void TContactEdits::EditContact(int row)
{
    // With no line chosen, the contact logged last is the one to correct.
    if (row < 0 && fRecentModel->rowCount() > 0) {
        row = 0;
    }
    const qint64 key = fRecentModel->KeyAt(row);
    if (!fLog.IsCurrent() || key == 0) {
        ShowCenteredMessage(fPrompts, fWindow,
                            QStringLiteral("Select a contact in the Recent Contacts list first."),
                            MsgKind::Information, MsgButton::OK);
        return;
    }
    const QString table = fLog.Record().TableName;
    const std::optional<tLogRecord> stored = ReadContact(fDM, table, key);
    if (!stored) {
        emit ContactsChanged();
        return;
    }
    TfrmEditContact::TLists lists{fStates, fCountries, fModes,
                                  [this](const QString& state) { return fDM.GetCountyList(state); }};
    TfrmEditContact dialog(*stored, lists, fLog.Record().ContestName == Events::OpenSeason, fWindow);
    TContactEntry entry{*stored};
    entry.key = key;
    entry.stored = stored;
    dialog.SetAcceptCheck([&](const TfrmEditContact& d) {
        entry.rec = d.Record();
        bool dupe = false;
        if (!RunGuarded(fPrompts, fWindow, [&] { dupe = IsDuplicateEntry(fDM, fLog.Record(), entry); })) {
            return false;
        }
        if (dupe) {
            ShowCenteredMessage(fPrompts, fWindow,
                                QStringLiteral("Whoa there cowboy!!  This puppy is a DUPE!!!"),
                                MsgKind::Error, MsgButton::OK);
            return false;
        }
        return true;
    });
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    entry.rec = dialog.Record();
    entry.rec.dxcc = dialog.IsUS() ? 0 : GetDXCC(fDM, entry.rec.qth);
    ::LogContact(fDM, fLog.Record(), entry);
    fLog.RecountScores();
    emit ContactsChanged();
    ui->gridRecent->selectRow(row);
}

void TContactEdits::DeleteContact(int row)
{
    const qint64 key = fRecentModel->KeyAt(row);
    if (!fLog.IsCurrent() || key == 0) {
        ShowCenteredMessage(fPrompts, fWindow,
                            QStringLiteral("Select a contact in the Recent Contacts list first."),
                            MsgKind::Information, MsgButton::OK);
        return;
    }
    const TRecentContact& c = fRecentModel->Contacts().at(row);
    const QString text = QStringLiteral("Delete the contact with %1 (%2 %3, %4) from the log?")
                             .arg(c.call, c.date, c.time, c.mode);
    if (ShowCenteredMessage(fPrompts, fWindow, text, MsgKind::Confirmation, MsgButton::Yes | MsgButton::No) !=
        MsgButton::Yes) {
        return;
    }
    ::DeleteContact(fDM, fLog.Record().TableName, key);
    fLog.RecountScores();
    emit ContactsChanged();
}

void TContactEdits::UndoLastContact()
{
    if (!fLog.IsCurrent()) {
        return;
    }
    const QString table = fLog.Record().TableName;
    const std::optional<qint64> key = LastContactKey(fDM, table);
    if (!key) {
        ShowCenteredMessage(fPrompts, fWindow, QStringLiteral("The log holds no contact to undo."),
                            MsgKind::Information, MsgButton::OK);
        return;
    }
    const std::optional<tLogRecord> last = ReadContact(fDM, table, *key);
    const QString text = QStringLiteral("Undo the last contact, %1 (%2 %3, %4)? It is removed from the log.")
                             .arg(last->call, last->date, last->time, last->mode);
    if (ShowCenteredMessage(fPrompts, fWindow, text, MsgKind::Confirmation, MsgButton::Yes | MsgButton::No) !=
        MsgButton::Yes) {
        return;
    }
    ::DeleteContact(fDM, table, *key);
    fLog.RecountScores();
    emit ContactsChanged();
}

void TContactEdits::mnuReopenProcessedLogClick()
{
    const QStringList logs = ProcessedLogs(fDM);
    if (logs.isEmpty()) {
        ShowCenteredMessage(fPrompts, fWindow, QStringLiteral("No log has been processed."),
                            MsgKind::Information, MsgButton::OK);
        return;
    }
    QDialog dialog(fWindow);
    dialog.setObjectName(QStringLiteral("frmReopenLog"));
    dialog.setWindowTitle(QStringLiteral("Reopen Processed Log"));
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("lstProcessedLogs"));
    list->addItems(logs);
    list->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(list, &QListWidget::itemActivated, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Processed logs:"), &dialog));
    layout->addWidget(list);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || !list->currentItem()) {
        return;
    }
    const QString table = list->currentItem()->text();
    ReopenLog(fDM, table);
    // The list of open logs, when it is shown, lists it at once.
    if (!ui->ListBox1->isHidden()) {
        ui->ListBox1->clear();
        ui->ListBox1->addItems(fDM.GetTables());
    }
    ShowCenteredMessage(fPrompts, fWindow, table + QStringLiteral(" is open again: File > Open lists it."),
                        MsgKind::Information, MsgButton::OK);
}

void TContactEdits::mnuImportADIFClick()
{
    if (!fLog.IsCurrent() || fLog.Record().TableName.isEmpty()) {
        ShowCenteredMessage(fPrompts, fWindow,
                            QStringLiteral("No log is open. Select a log in the Logs list or create one with "
                                           "File > New before importing an ADIF file."),
                            MsgKind::Error, MsgButton::OK);
        return;
    }
    const QString path = fPrompts.OpenFile(fWindow, QStringLiteral("Import ADIF"), Paths::UserProfile(),
                                           QStringLiteral("ADIF files|*.adi;*.adif|All files|*"));
    if (path.isEmpty()) {
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw EVantrel(QStringLiteral("Cannot open file \"%1\". %2")
                           .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    file.close();

    // A file of more than a few thousand records takes a moment: a progress bar shows how far it is.
    constexpr qsizetype kProgressBytes = 1024 * 1024;
    std::unique_ptr<QProgressDialog> progress;
    if (bytes.size() > kProgressBytes) {
        progress = std::make_unique<QProgressDialog>(
            QStringLiteral("Importing ") + QFileInfo(path).fileName(), QString(), 0, 200, fWindow);
        progress->setWindowTitle(QStringLiteral("Import ADIF"));
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
        progress->setValue(0);
    }
    TADIFImport adif(fDM, fLog.Record());
    adif.Read(bytes, [&](qsizetype read) {
        if (progress) {
            progress->setValue(int(100 * read / qMax<qsizetype>(bytes.size(), 1)));
        }
    });
    bool keepDuplicates = false;
    if (adif.Duplicates() > 0) {
        if (progress) {
            progress->hide();
        }
        // Enter answers No: duplicates go in only when the operator asks for them.
        const MsgButton answer = ShowCenteredMessage(
            fPrompts, fWindow,
            QStringLiteral("%1 of the %2 contacts in the file are duplicates in this log.\n"
                           "Import the duplicates as well?")
                .arg(adif.Duplicates())
                .arg(adif.Contacts()),
            MsgKind::Confirmation, MsgButton::Yes | MsgButton::No | MsgButton::Cancel, MsgButton::No);
        if (answer == MsgButton::Cancel) {
            return;
        }
        keepDuplicates = answer == MsgButton::Yes;
        if (progress) {
            progress->show();
        }
    }
    const qsizetype toStore = keepDuplicates ? adif.Contacts() : adif.Contacts() - adif.Duplicates();
    int imported = 0;
    try {
        imported = adif.Store(keepDuplicates, [&](qsizetype stored) {
            if (progress) {
                progress->setValue(100 + int(100 * stored / qMax<qsizetype>(toStore, 1)));
            }
        });
    } catch (...) {
        progress.reset();
        throw;
    }
    progress.reset();
    fLog.RecountScores();
    emit ContactsImported();
    ShowCenteredMessage(fPrompts, fWindow,
                        QStringLiteral("ADIF import from %1\n\n").arg(QFileInfo(path).fileName()) +
                            adif.Summary(imported, keepDuplicates),
                        MsgKind::Information, MsgButton::OK);
}
