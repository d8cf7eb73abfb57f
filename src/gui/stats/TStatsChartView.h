#pragma once

#include "stats/TStatsEngine.h"

#include <QChartView>
#include <QColor>
#include <QImage>
#include <QList>
#include <QPalette>

class QAbstractAxis;
class QBarCategoryAxis;
class QBarSet;
class QCategoryAxis;
class QHorizontalStackedBarSeries;
class QLineSeries;
class QPieSeries;
class QValueAxis;

// The charts of the statistics panel.
enum class TStatsChart
{
    Hours, // contacts per UTC hour as bars, the cumulative score as a line
    Modes, // contacts by mode
    Qth    // contacts by QTH: the US states and DX countries with the most (15, fewer when the chart is too
           // short to name them all), and the others
};

// The colours of the charts, drawn from the palette of the theme, so that dark themes get dark charts.
struct TChartColors
{
    QColor background;
    QColor plot;
    QColor text;
    QColor grid;
    QColor bars;
    QColor line;
    QColor states;
    QColor countries;
    QColor other;
    QList<QColor> slices;
};
TChartColors ChartColors(const QPalette& palette);

// The name of a chart in file names: "hours", "modes", "qth".
QString ChartFileName(TStatsChart chart);

// One chart of the statistics, filled from the figures of a log. It takes the colours of its palette, and
// of each new one (a change of theme), and offers "Save Chart As…" in its context menu (the menu key or
// Shift+F10 open it from the keyboard), which asks the owner through SaveRequested.
class TStatsChartView : public QChartView
{
    Q_OBJECT

public:
    explicit TStatsChartView(TStatsChart chart, QWidget* parent = nullptr);

    TStatsChart Chart() const { return fChart; }
    // Shows the figures. At most the last 72 hours of the log are shown per hour.
    void ShowFigures(const TStatsEngine& engine);
    void ApplyPalette(const QPalette& palette);

    // The shown figures as they are drawn, for tests and the saved images.
    int HoursShown() const { return fHoursShown; }
    QList<qreal> BarValues() const;
    QList<QPointF> LinePoints() const;
    QStringList Categories() const;

    static constexpr int kHoursShown = 72;
    static constexpr int kTopQth = 15;
    static constexpr int kTopModes = 8;

signals:
    void SaveRequested();

protected:
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildHours();
    void BuildModes();
    void BuildQth();
    void ShowHours(const TStatsEngine& engine);
    void ShowModes(const TStatsEngine& engine);
    void ShowQth(const TStatsEngine& engine);
    int QthRowsRoom() const;
    void ShowQthRows();
    // Puts a label at every few hours, as many as the width of the chart holds.
    void LabelHours();
    void ColourSeries();
    void PopUpMenu(const QPoint& globalPos);

    TStatsChart fChart;
    TChartColors fColors;
    // Hours.
    QBarSet* fBars = nullptr;
    QLineSeries* fLine = nullptr;
    QCategoryAxis* fHourAxis = nullptr;
    QValueAxis* fCountAxis = nullptr;
    QValueAxis* fScoreAxis = nullptr;
    qint64 fFirstHour = 0;
    int fHoursShown = 0;
    // Modes.
    QPieSeries* fPie = nullptr;
    // QTH.
    QHorizontalStackedBarSeries* fQthSeries = nullptr;
    QBarSet* fStates = nullptr;
    QBarSet* fCountries = nullptr;
    QBarSet* fOthers = nullptr;
    QBarCategoryAxis* fQthAxis = nullptr;
    QValueAxis* fQthCountAxis = nullptr;
    TBreakdown fQthFigures;
    int fQthRows = -1; // the QTHs shown by name
};

// A chart of the figures drawn into an image of the given size, in the palette's colours.
QImage RenderChart(TStatsChart chart, const TStatsEngine& engine, const QPalette& palette, const QSize& size);

// Writes an image as a PNG file in one piece (a file of that name is replaced only once the image is
// written). Throws EVantrel naming the file when it cannot be written.
void WritePng(const QImage& image, const QString& path);

// Writes the three charts of a log into a folder as <table>_hours.png, <table>_modes.png and
// <table>_qth.png (1200 × 800 pixels). Throws EVantrel on the first file that cannot be written.
void SaveChartImages(const TStatsEngine& engine, const QPalette& palette, const QString& folder,
                     const QString& table);
