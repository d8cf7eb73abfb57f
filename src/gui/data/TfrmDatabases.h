#pragma once

#include "TTableWindow.h"

#include <memory>

class TDM;

namespace Ui {
class TfrmDatabases;
}

// "Showing Table - <name>": one reference table of config.db in an editable grid with a record navigator.
class TfrmDatabases : public TTableWindow
{
    Q_OBJECT

public:
    TfrmDatabases(IPrompts& prompts, TDM& dm, QWidget* parent = nullptr);
    ~TfrmDatabases() override;

    // Reads the table into the grid (the EPC roster in ascending member number), sets the caption and
    // hides the last column (the row key). Throws EDatabaseError when the table cannot be read.
    void Open(const QString& table);
    // Open, then the window modally.
    void Execute(const QString& table);

private:
    std::unique_ptr<Ui::TfrmDatabases> ui;
    TDM& fDM;
};
