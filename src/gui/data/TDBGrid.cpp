#include "TDBGrid.h"

#include <QFontMetrics>
#include <QHeaderView>

void TDBGrid::CommitEditor()
{
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void TDBGrid::DropEditor()
{
    if (QWidget* editor = indexWidget(currentIndex())) {
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    }
}

void AutoSizeGridColumns(QTableView* grid, int maxRows)
{
    QAbstractItemModel* model = grid->model();
    if (!model) {
        return;
    }
    grid->setUpdatesEnabled(false);
    const QFontMetrics cellFont(grid->font());
    const QFontMetrics titleFont(grid->horizontalHeader()->font());
    const int rows = std::min(model->rowCount(), maxRows);
    for (int c = 0; c < model->columnCount(); ++c) {
        int width = titleFont.horizontalAdvance(model->headerData(c, Qt::Horizontal).toString());
        for (int r = 0; r < rows; ++r) {
            width = std::max(width, cellFont.horizontalAdvance(model->index(r, c).data().toString()));
        }
        grid->setColumnWidth(c, width + 10);
    }
    grid->setUpdatesEnabled(true);
    if (rows > 0) {
        grid->scrollToTop();
    }
}
