#include "TDBNavigator.h"

#include "TDBGrid.h"
#include "TSqlGridModel.h"
#include "data/Errors.h"
#include "data/Prompts.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QTimer>

namespace {

struct TButtonLook
{
    const char* name;
    const char* glyph;
    const char* hint;
};

// Glyph and hint of each button, in the order of TNavButton.
const TButtonLook kLooks[] = {
    {"btnFirst", "|\u25C0", "First record"},       {"btnPrior", "\u25C0", "Prior record"},
    {"btnNext", "\u25B6", "Next record"},          {"btnLast", "\u25B6|", "Last record"},
    {"btnInsert", "+", "Insert record"},           {"btnDelete", "\u2212", "Delete record"},
    {"btnEdit", "\u270E", "Edit record"},          {"btnPost", "\u2714", "Post edit"},
    {"btnCancel", "\u2718", "Cancel edit"},        {"btnRefresh", "\u27F3", "Refresh data"},
    {"btnApplyUpdates", "Apply", "Apply updates"}, {"btnCancelUpdates", "Undo", "Cancel updates"}};

} // namespace

TDBNavigator::TDBNavigator(QWidget* parent) : QToolBar(parent)
{
    setMovable(false);
    setFloatable(false);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
}

template <typename F> void TDBNavigator::Run(F&& action)
{
    RunGuarded(*fPrompts, window(), std::forward<F>(action));
    UpdateButtons();
}

void TDBNavigator::Bind(IPrompts& prompts, TDBGrid* grid, TSqlGridModel* model,
                        const QList<TNavButton>& buttons)
{
    fPrompts = &prompts;
    fGrid = grid;
    fModel = model;
    grid->setModel(model);
    QFont glyphFont = font();
    glyphFont.setPointSizeF(glyphFont.pointSizeF() * 1.2);
    for (const TNavButton button : buttons) {
        const TButtonLook& look = kLooks[int(button)];
        QAction* action = addAction(QString::fromUtf8(look.glyph));
        action->setObjectName(QString::fromLatin1(look.name));
        action->setToolTip(QString::fromLatin1(look.hint));
        action->setFont(glyphFont);
        fActions.insert(button, action);
        switch (button) {
        case TNavButton::First:
            connect(action, &QAction::triggered, this, &TDBNavigator::First);
            break;
        case TNavButton::Prior:
            connect(action, &QAction::triggered, this, &TDBNavigator::Prior);
            break;
        case TNavButton::Next:
            connect(action, &QAction::triggered, this, &TDBNavigator::Next);
            break;
        case TNavButton::Last:
            connect(action, &QAction::triggered, this, &TDBNavigator::Last);
            break;
        case TNavButton::Insert:
            connect(action, &QAction::triggered, this, &TDBNavigator::Insert);
            break;
        case TNavButton::Delete:
            connect(action, &QAction::triggered, this, &TDBNavigator::Delete);
            break;
        case TNavButton::Edit:
            connect(action, &QAction::triggered, this, &TDBNavigator::Edit);
            break;
        // Every change is written when its row is posted, so applying the updates is posting, and
        // cancelling them is cancelling the row in edit.
        case TNavButton::Post:
        case TNavButton::ApplyUpdates:
            connect(action, &QAction::triggered, this, &TDBNavigator::Post);
            break;
        case TNavButton::Cancel:
        case TNavButton::CancelUpdates:
            connect(action, &QAction::triggered, this, &TDBNavigator::Cancel);
            break;
        case TNavButton::Refresh:
            connect(action, &QAction::triggered, this, &TDBNavigator::Refresh);
            break;
        }
    }
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { CurrentRowChanged(current.row()); });
    connect(model, &QAbstractItemModel::modelReset, this, &TDBNavigator::UpdateButtons);
    connect(model, &QAbstractItemModel::rowsInserted, this, &TDBNavigator::UpdateButtons);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &TDBNavigator::UpdateButtons);
    connect(model, &QAbstractItemModel::headerDataChanged, this, &TDBNavigator::UpdateButtons);
    UpdateButtons();
}

void TDBNavigator::CurrentRowChanged(int current)
{
    const int editRow = fModel->EditRow();
    if (fRestoring || editRow < 0 || current == editRow) {
        UpdateButtons();
        return;
    }
    // Leaving the row in edit posts it. When the database refuses, the row stays in edit and becomes
    // current again, so the operator can correct or cancel it.
    try {
        fModel->Post();
    } catch (const EVantrel& e) {
        ShowCenteredMessage(*fPrompts, window(), e.Message(), MsgKind::Error, MsgButton::OK);
        QTimer::singleShot(0, this, [this] {
            const int row = fModel->EditRow();
            if (row >= 0) {
                fRestoring = true;
                const int column = std::max(fGrid->currentIndex().column(), 0);
                fGrid->setCurrentIndex(fModel->index(row, column));
                fRestoring = false;
            }
            UpdateButtons();
        });
    }
    UpdateButtons();
}

void TDBNavigator::MoveTo(int row)
{
    if (fModel->rowCount() == 0) {
        return;
    }
    row = std::clamp(row, 0, fModel->rowCount() - 1);
    const int column = std::max(fGrid->currentIndex().column(), 0);
    fGrid->CommitEditor();
    const QModelIndex index = fModel->index(row, column);
    fGrid->setCurrentIndex(index);
    fGrid->scrollTo(index);
    UpdateButtons();
}

void TDBNavigator::First()
{
    MoveTo(0);
}

void TDBNavigator::Prior()
{
    MoveTo(fGrid->currentIndex().row() - 1);
}

void TDBNavigator::Next()
{
    MoveTo(fGrid->currentIndex().row() + 1);
}

void TDBNavigator::Last()
{
    MoveTo(fModel->rowCount() - 1);
}

void TDBNavigator::Insert()
{
    Run([this] {
        fGrid->CommitEditor();
        const int row = std::max(fGrid->currentIndex().row(), 0);
        fModel->InsertRowAt(row);
        fRestoring = true;
        fGrid->setCurrentIndex(fModel->index(row, std::max(fGrid->currentIndex().column(), 0)));
        fRestoring = false;
    });
}

void TDBNavigator::Delete()
{
    const int row = fGrid->currentIndex().row();
    if (row < 0) {
        return;
    }
    if (ShowCenteredMessage(*fPrompts, window(), QStringLiteral("Delete record?"), MsgKind::Confirmation,
                            MsgButton::OK | MsgButton::Cancel) != MsgButton::OK) {
        return;
    }
    Run([this, row] {
        fGrid->DropEditor();
        const int column = std::max(fGrid->currentIndex().column(), 0);
        fRestoring = true;
        try {
            fModel->DeleteRow(row);
        } catch (...) {
            fRestoring = false;
            throw;
        }
        fRestoring = false;
        if (fModel->rowCount() > 0) {
            fGrid->setCurrentIndex(fModel->index(std::min(row, fModel->rowCount() - 1), column));
        }
    });
}

void TDBNavigator::Edit()
{
    const QModelIndex index = fGrid->currentIndex();
    if (index.isValid()) {
        fGrid->edit(index);
    }
}

bool TDBNavigator::PostPending()
{
    fGrid->CommitEditor();
    bool posted = false;
    Run([&] {
        fModel->Post();
        posted = true;
    });
    return posted;
}

void TDBNavigator::Post()
{
    PostPending();
}

void TDBNavigator::Cancel()
{
    fGrid->DropEditor();
    // A dropped new row takes the current row with it; the row that becomes current has nothing to post.
    fRestoring = true;
    fModel->Cancel();
    fRestoring = false;
    UpdateButtons();
}

void TDBNavigator::Refresh()
{
    Run([this] {
        fGrid->CommitEditor();
        const int row = fGrid->currentIndex().row();
        const int column = std::max(fGrid->currentIndex().column(), 0);
        fModel->Refresh();
        if (fModel->rowCount() > 0) {
            fGrid->setCurrentIndex(fModel->index(std::clamp(row, 0, fModel->rowCount() - 1), column));
        }
    });
}

void TDBNavigator::UpdateButtons()
{
    if (!fModel) {
        return;
    }
    const int rows = fModel->rowCount();
    const int row = fGrid->currentIndex().row();
    // Post and Cancel stay available: a cell editor may hold text the model has not seen yet.
    auto enable = [this](TNavButton button, bool on) {
        if (QAction* action = fActions.value(button)) {
            action->setEnabled(on);
        }
    };
    enable(TNavButton::First, rows > 0 && row != 0);
    enable(TNavButton::Prior, rows > 0 && row > 0);
    enable(TNavButton::Next, rows > 0 && row < rows - 1);
    enable(TNavButton::Last, rows > 0 && row != rows - 1);
    enable(TNavButton::Insert, true);
    enable(TNavButton::Delete, rows > 0);
    enable(TNavButton::Edit, rows > 0);
    enable(TNavButton::Post, true);
    enable(TNavButton::Cancel, true);
    enable(TNavButton::Refresh, true);
    enable(TNavButton::ApplyUpdates, true);
    enable(TNavButton::CancelUpdates, true);
}
