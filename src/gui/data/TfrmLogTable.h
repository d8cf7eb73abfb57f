#pragma once

#include "TTableWindow.h"

#include <memory>

class TDM;

namespace Ui {
class TfrmLogTable;
}

// "Log by Table Display": the current event log in an editable grid with a record navigator. An emptied
// cell is stored as NULL.
class TfrmLogTable : public TTableWindow
{
    Q_OBJECT

public:
    TfrmLogTable(IPrompts& prompts, TDM& dm, QWidget* parent = nullptr);
    ~TfrmLogTable() override;

    // Reads the log table into the grid: columns fitted to the rows at hand, the row key column hidden.
    // Throws EDatabaseError with the engine's message when the table cannot be read.
    void Open(const QString& logname);
    // Open, then the window modally.
    void Execute(const QString& logname);

private:
    std::unique_ptr<Ui::TfrmLogTable> ui;
    TDM& fDM;
};
