#include "TFlowLayout.h"

#include <QStyle>
#include <QWidget>
#include <algorithm>

TFlowLayout::TFlowLayout(QWidget* parent) : QLayout(parent) {}

TFlowLayout::~TFlowLayout()
{
    qDeleteAll(fItems);
}

TFlowLayout* TFlowLayout::Replace(QWidget* widget)
{
    QLayout* old = widget->layout();
    QList<QLayoutItem*> items;
    QMargins margins;
    int spacing = -1;
    if (old) {
        while (QLayoutItem* item = old->takeAt(0)) {
            items << item;
        }
        margins = old->contentsMargins();
        spacing = old->spacing();
        delete old;
    }
    auto* flow = new TFlowLayout(widget);
    flow->setContentsMargins(margins);
    flow->setSpacing(spacing);
    for (QLayoutItem* item : std::as_const(items)) {
        flow->addItem(item);
    }
    return flow;
}

void TFlowLayout::addItem(QLayoutItem* item)
{
    fItems << item;
    invalidate();
}

QLayoutItem* TFlowLayout::takeAt(int index)
{
    if (index < 0 || index >= fItems.size()) {
        return nullptr;
    }
    QLayoutItem* item = fItems.takeAt(index);
    invalidate();
    return item;
}

QSize TFlowLayout::sizeHint() const
{
    const QMargins m = contentsMargins();
    int width = 0;
    int height = 0;
    int shown = 0;
    for (const QLayoutItem* item : fItems) {
        if (item->isEmpty()) {
            continue;
        }
        const QSize hint = item->sizeHint();
        width += hint.width();
        height = std::max(height, hint.height());
        ++shown;
    }
    width += std::max(0, shown - 1) * Spacing();
    return QSize(width + m.left() + m.right(), std::max(height + m.top() + m.bottom(), fHeight));
}

QSize TFlowLayout::minimumSize() const
{
    const QMargins m = contentsMargins();
    QSize size;
    for (const QLayoutItem* item : fItems) {
        if (!item->isEmpty()) {
            size = size.expandedTo(item->minimumSize()).expandedTo(QSize(item->sizeHint().width(), 0));
        }
    }
    size = size.grownBy(m);
    return QSize(size.width(), std::max(size.height(), fHeight));
}

void TFlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    const int height = Arrange(rect);
    if (height != fHeight) {
        fHeight = height;
        // The parent asks again for the height, once this layout pass is over.
        QMetaObject::invokeMethod(this, &QLayout::invalidate, Qt::QueuedConnection);
    }
}

int TFlowLayout::Spacing() const
{
    if (spacing() >= 0) {
        return spacing();
    }
    const QWidget* parent = parentWidget();
    return parent ? parent->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, parent) : 0;
}

int TFlowLayout::Arrange(const QRect& rect)
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    const int gap = Spacing();
    int y = area.top();
    int height = 0;
    QList<QLayoutItem*> row;
    int rowWidth = 0;
    // Places one row: its items at their preferred widths, the room left shared by those that expand.
    const auto placeRow = [&] {
        if (row.isEmpty()) {
            return;
        }
        int rowHeight = 0;
        int expanding = 0;
        for (const QLayoutItem* item : std::as_const(row)) {
            rowHeight = std::max(rowHeight, item->sizeHint().height());
            if (item->expandingDirections() & Qt::Horizontal) {
                ++expanding;
            }
        }
        int spare = std::max(0, area.width() - rowWidth);
        int x = area.left();
        for (QLayoutItem* item : std::as_const(row)) {
            int width = item->sizeHint().width();
            if (expanding > 0 && (item->expandingDirections() & Qt::Horizontal)) {
                const int share = spare / expanding;
                width += share;
                spare -= share;
                --expanding;
            }
            item->setGeometry(QRect(x, y, width, rowHeight));
            x += width + gap;
        }
        y += rowHeight + gap;
        height += rowHeight + (height > 0 ? gap : 0);
        row.clear();
        rowWidth = 0;
    };
    for (QLayoutItem* item : fItems) {
        if (item->isEmpty()) {
            continue;
        }
        const int width = item->sizeHint().width();
        const int needed = row.isEmpty() ? width : rowWidth + gap + width;
        if (!row.isEmpty() && needed > area.width()) {
            placeRow();
        }
        rowWidth = row.isEmpty() ? width : rowWidth + gap + width;
        row << item;
    }
    placeRow();
    const QMargins m = contentsMargins();
    return height + m.top() + m.bottom();
}
