#pragma once

#include <QLayout>
#include <QList>

// Lays its items out left to right and starts a new row when the next one does not fit the width: a strip
// of status panels stays whole in a narrow window instead of making the window scroll sideways. In each
// row, items whose size policy asks to expand share the room the row leaves; hidden widgets take none.
// The height it asks for is that of the rows at the width it was last given (it tells its parent again
// when the number of rows changes), not a height for every width: a parent in a scroll area then keeps
// fitting its other widgets to the window rather than taking their preferred heights.
class TFlowLayout : public QLayout
{
public:
    explicit TFlowLayout(QWidget* parent = nullptr);
    ~TFlowLayout() override;

    // Gives a widget a flow layout in place of its box layout, with the same items, margins and spacing,
    // so that items added later through widget->layout() join the flow.
    static TFlowLayout* Replace(QWidget* widget);

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(fItems.size()); }
    QLayoutItem* itemAt(int index) const override { return fItems.value(index); }
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override { return {}; }
    // All items on one row, as tall as the rows at the last width.
    QSize sizeHint() const override;
    // As narrow as the widest item, as tall as the rows at the last width.
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Places the items in a rectangle and returns the height their rows take.
    int Arrange(const QRect& rect);
    int Spacing() const;

    QList<QLayoutItem*> fItems;
    // The height of the rows at the width last given; -1 before the first layout.
    int fHeight = -1;
};
