#pragma once

#include <QLayout>
#include <QList>

// Lays its items out left to right and starts a new row when the next one does not fit the width: a strip
// of status panels stays whole in a narrow window instead of making the window scroll sideways. In each
// row, items whose size policy asks to expand share the room the row leaves; hidden widgets take none.
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
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    // All items on one row.
    QSize sizeHint() const override;
    // As narrow as the widest item.
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Lays the items out in a rectangle (places them when asked) and returns the height they take.
    int Arrange(const QRect& rect, bool place) const;
    int Spacing() const;

    QList<QLayoutItem*> fItems;
};
