#include "TTableWindow.h"

#include "TDBGrid.h"
#include "TDBNavigator.h"
#include "TSqlGridModel.h"
#include "gui/common/TRealPrompts.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>

TTableWindow::TTableWindow(IPrompts& prompts, QWidget* parent) : QDialog(parent), fPrompts(prompts) {}

void TTableWindow::Bind(const QSqlDatabase& db, TDBNavigator* navigator, TDBGrid* grid, bool wideButtons)
{
    using B = TDBNavigator::TNavButton;
    fModel = new TSqlGridModel(db, this);
    fNavigator = navigator;
    fGrid = grid;
    QList<B> buttons{B::First,  B::Prior, B::Next, B::Last,   B::Insert,
                     B::Delete, B::Edit,  B::Post, B::Cancel, B::Refresh};
    if (wideButtons) {
        buttons << B::ApplyUpdates << B::CancelUpdates;
    }
    navigator->Bind(fPrompts, grid, fModel, buttons);
    // The grid's keys for the record operations: Insert for a new row, Ctrl+Delete to delete one.
    navigator->Button(B::Insert)->setShortcut(QKeySequence(Qt::Key_Insert));
    navigator->Button(B::Delete)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    // Rows keep one height, so the grid never measures rows it has not read.
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 8);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
}

int TTableWindow::ShowModal()
{
    if (QWidget* owner = parentWidget()) {
        move(CenteredTopLeft(owner->window()->frameGeometry(), frameGeometry().size()));
    }
    return exec();
}

void TTableWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && fModel && fModel->IsModified()) {
        fNavigator->Cancel();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TTableWindow::done(int result)
{
    // Nothing typed is lost by closing: the row in edit is written first, or the window stays.
    if (fNavigator && !fNavigator->PostPending()) {
        return;
    }
    QDialog::done(result);
}
