#pragma once

#include "cluster/TSpotClassifier.h"
#include "cluster/TSpotList.h"

#include <QColor>
#include <QHash>
#include <QRect>
#include <QWidget>
#include <vector>

// One call on the band map with what it means for the log.
struct TBandMapRow
{
    TBandSpot entry;
    TSpotStanding standing;
};

// The drawn band map: 28.000 to 29.700 MHz from top to bottom with a scale of kilohertz, each call a label
// beside the scale with a line to its frequency, coloured by its standing (new, a member, worked, a
// duplicate). Labels never overlap: a label that would is pushed down, the most recently heard of one
// frequency on top. The rig's frequency is a line across. Arrow keys move between calls, Enter or a
// double-click chooses one; + and - (or Ctrl and the wheel) zoom. Every text is painted as plain text.
class TBandMapView : public QWidget
{
    Q_OBJECT

public:
    explicit TBandMapView(QWidget* parent = nullptr);

    // The calls in order of frequency; the selection follows its call.
    void SetRows(std::vector<TBandMapRow> rows);
    const std::vector<TBandMapRow>& Rows() const { return fRows; }
    void SetRigFrequency(qint64 hertz);
    qint64 RigFrequency() const { return fRig; }

    // The selected call, -1 for none.
    int Selected() const { return fSelected; }
    void Select(int row);

    // Pixels per kilohertz: one of kZoomLevels.
    double Zoom() const { return kZoomLevels[fZoom]; }
    void ZoomIn();
    void ZoomOut();
    static constexpr double kZoomLevels[] = {0.25, 0.5, 1, 2, 4, 8, 16};

    // The height of a frequency in the widget, and where a call's label lies.
    int YOf(qint64 hertz) const;
    QRect LabelRect(int row) const;

    // The colours of the standings on this widget's background.
    QColor ColorOf(const TSpotStanding& standing) const;

    QSize sizeHint() const override;

signals:
    void Chosen(int row);
    // The area to scroll into view: the selected label, or the same frequency after a zoom.
    void ShowArea(const QRect& area);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Relayout();
    void SetZoom(int level, int anchorY);
    int RowAt(const QPoint& pos) const;
    QString LabelText(const TBandMapRow& row) const;
    int ScaleWidth() const;

    std::vector<TBandMapRow> fRows;
    std::vector<QRect> fLabels;
    // The width of each label text in the bold font, kept while the font stays: measuring the text is
    // most of a layout, and most labels stand unchanged from one layout to the next.
    QHash<QString, int> fLabelWidths;
    int fSelected = -1;
    qint64 fRig = 0;
    int fZoom = 2;
};
