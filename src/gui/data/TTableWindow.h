#pragma once

#include <QDialog>

class IPrompts;
class TDBGrid;
class TDBNavigator;
class TSqlGridModel;
class QSqlDatabase;

// What the two table windows share: the grid model over one table, the modal run centred on the window
// that opened it, and the rule that the window only closes once the row in edit is written (a refused
// row keeps the window open with the engine's message; Cancel on the navigator drops it).
class TTableWindow : public QDialog
{
    Q_OBJECT

public:
    TSqlGridModel* Model() const { return fModel; }
    TDBNavigator* Navigator() const { return fNavigator; }
    TDBGrid* Grid() const { return fGrid; }

    void done(int result) override;

protected:
    // Escape drops the row in edit first (as Cancel does); only an Escape with nothing in edit closes.
    void keyPressEvent(QKeyEvent* event) override;
    TTableWindow(IPrompts& prompts, QWidget* parent);
    // Binds the designed grid and navigator to a model over the database.
    void Bind(const QSqlDatabase& db, TDBNavigator* navigator, TDBGrid* grid, bool wideButtons);
    // Shows the window modally, centred on the window that opened it.
    int ShowModal();

    IPrompts& fPrompts;

private:
    TSqlGridModel* fModel = nullptr;
    TDBNavigator* fNavigator = nullptr;
    TDBGrid* fGrid = nullptr;
};
