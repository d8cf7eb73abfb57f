#pragma once

#include <QHash>
#include <QList>
#include <QToolBar>

class IPrompts;
class TDBGrid;
class TSqlGridModel;
class QAction;

// The record navigator of a table window: a tool bar of record buttons acting on the grid's current row.
// A row is posted when another row becomes current, or with Post; a post the database refuses shows the
// engine's message and keeps the row current and in edit.
class TDBNavigator : public QToolBar
{
    Q_OBJECT

public:
    enum class TNavButton
    {
        First,
        Prior,
        Next,
        Last,
        Insert,
        Delete,
        Edit,
        Post,
        Cancel,
        Refresh,
        ApplyUpdates,
        CancelUpdates
    };

    explicit TDBNavigator(QWidget* parent = nullptr);

    // Shows the given buttons, in order, for a grid and its model; errors are shown through the prompts.
    void Bind(IPrompts& prompts, TDBGrid* grid, TSqlGridModel* model, const QList<TNavButton>& buttons);

    // The action of a button (objectName "btnFirst", "btnPrior", ...), null when not shown.
    QAction* Button(TNavButton button) const { return fActions.value(button); }

    // Commits an open cell editor and posts the row in edit. False, with the engine's message shown, when
    // the database refuses it (the row stays in edit).
    bool PostPending();

    // The record operations behind the buttons.
    void First();
    void Prior();
    void Next();
    void Last();
    void Insert();
    void Delete();
    void Edit();
    void Post();
    void Cancel();
    void Refresh();

private:
    void MoveTo(int row);
    void CurrentRowChanged(int current);
    void UpdateButtons();
    // Runs a record operation; its error is shown centred on the window.
    template <typename F> void Run(F&& action);

    IPrompts* fPrompts = nullptr;
    TDBGrid* fGrid = nullptr;
    TSqlGridModel* fModel = nullptr;
    QHash<TNavButton, QAction*> fActions;
    bool fRestoring = false;
};
