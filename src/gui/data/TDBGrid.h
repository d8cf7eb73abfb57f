#pragma once

#include <QTableView>

class TSqlGridModel;

// The data grid of the table windows: a table view over a TSqlGridModel whose open cell editor can be
// committed or dropped from outside (the navigator's Post and Cancel, closing the window).
class TDBGrid : public QTableView
{
    Q_OBJECT

public:
    using QTableView::QTableView;

    // Hands the text of an open cell editor to the model and closes the editor.
    void CommitEditor();
    // Closes an open cell editor without keeping its text.
    void DropEditor();
};

// Fits every visible column of a grid to its title and to the displayed text of its first rows (at most
// maxRows; the rows a lazily read grid has at hand), plus 10 pixels. The whole table is never read for it.
void AutoSizeGridColumns(QTableView* grid, int maxRows = 256);
