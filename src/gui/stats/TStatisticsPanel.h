#pragma once

#include "TStatsChartView.h"

#include "data/Clock.h"
#include "stats/TLogStatistics.h"

#include <QWidget>

class IPrompts;
class QGridLayout;
class QGroupBox;
class QLabel;
class QListWidget;
class QSpinBox;
class QSplitter;
class QTabWidget;
class QTimer;
class TDM;
class TSettings;

// The statistics of the current log at a glance, live: rate, time on the air, score and charts. Meant for
// a dock beside the entry form: it lays its figures out in one to three columns by its width, and they
// scroll when it is too small for them.
//
// What its owner calls:
// - SetLog(table) whenever another log becomes current (an empty name when none is);
// - LogChanged() after every change of the current log, whatever it was (a typed contact, one from a feed,
//   an import, an edit, a deletion, an undo): once, from the one place every writing path passes through.
//   The panel works out by itself what changed: contacts added since it last looked are read from the end
//   of the log on (no pass over the log), any other change reloads the log.
// Both return at once: the panel brings itself up to date when the event loop next runs, so logging never
// waits for it, and not at all while it is hidden (it catches up when shown). Errors of reading the log
// are shown in the panel, never thrown at the caller.
class TStatisticsPanel : public QWidget
{
    Q_OBJECT

public:
    // The data module, settings and prompts must outlive the panel; the clock gives "now" for the rate
    // of the last minutes and the current hour.
    TStatisticsPanel(TDM& dm, TSettings& settings, IPrompts& prompts, TClock clock = SystemNow,
                     QWidget* parent = nullptr);
    ~TStatisticsPanel() override;

    // The log whose figures to show; an empty name when no log is current.
    void SetLog(const QString& table);
    // The current log changed (or may have): added, edited, deleted, imported contacts alike.
    void LogChanged();
    // Brings the figures up to date now instead of when the event loop next runs.
    void Refresh();

    TLogStatistics& Statistics() { return fStats; }
    // The view of a chart (the views are made when the panel first shows, or here).
    TStatsChartView* ChartView(TStatsChart chart);

    // Wide enough for the groups of figures one above the other without scrolling sideways, so that a
    // dock opens at a width that reads.
    QSize sizeHint() const override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* AddFigure(QGroupBox* group, const QString& caption, const QString& name);
    void ScheduleUpdate();
    void Update();
    void ShowFigures();
    void ShowClockFigures();
    void ShowCurrentChart();
    void ShowError(const QString& text);
    void ArrangeGroups();
    void FitFigures();
    void OffTimeChanged(int minutes);
    void SaveChart(TStatsChartView* view);
    void MakeCharts();

    TDM& fDM;
    TSettings& fSettings;
    IPrompts& fPrompts;
    TClock fClock;
    TLogStatistics fStats;

    QString fTable;
    bool fLogPending = false;    // SetLog not yet carried out (the panel was hidden)
    bool fChangePending = false; // LogChanged not yet carried out
    QString fError;
    TMinute fShownMinute = 0;
    QString fSaveFolder;
    // The charts whose figures are older than the log's (only the chart in view is kept current).
    QList<TStatsChart> fStaleCharts;
    int fColumns = 0;
    int fFittedNeed = 0;          // the figures' height when the splitter was last set to fit them
    bool fOffTimesFitted = false; // whether the list of off-times was shown when the figures were fitted
    bool fSplitterMoved = false;  // by the operator: the splitter stays where they put it

    QTimer* fUpdateTimer = nullptr;
    QTimer* fClockTimer = nullptr;
    QLabel* lblLeftOut = nullptr;
    QGridLayout* fGroupsLayout = nullptr;
    QWidget* fFigures = nullptr;
    QSplitter* fSplitter = nullptr;
    QGroupBox* grpRate = nullptr;
    QGroupBox* grpTime = nullptr;
    QGroupBox* grpScore = nullptr;
    QLabel* lblLast10Min = nullptr;
    QLabel* lblLast60Min = nullptr;
    QLabel* lblThisHour = nullptr;
    QLabel* lblRate10 = nullptr;
    QLabel* lblRate100 = nullptr;
    QLabel* lblBestHour = nullptr;
    QLabel* lblFirst = nullptr;
    QLabel* lblLast = nullptr;
    QLabel* lblTimeOn = nullptr;
    QLabel* lblOffTimes = nullptr;
    QListWidget* lstOffTimes = nullptr;
    QSpinBox* spnOffTime = nullptr;
    QLabel* lblTotalPoints = nullptr;
    QLabel* lblContacts = nullptr;
    QLabel* lblWithTenTen = nullptr;
    QLabel* lblWithoutTenTen = nullptr;
    QLabel* lblEpc = nullptr;
    QLabel* lbl070 = nullptr;
    QLabel* lblPointsPerContact = nullptr;
    QTabWidget* tabCharts = nullptr;
    QList<TStatsChartView*> fCharts;
};

// Texts of the panel's figures.
namespace StatsText {
// "41 h 5 min", "25 min".
QString Duration(qint64 minutes);
// "2024-02-03 14:05" (UTC).
QString Moment(TMinute minute);
// "2024-02-03 02:10 – 05:10 (3 h 0 min)", the date repeated when the off-time runs into another day.
QString OffTime(const TOffTime& off);
// "86 per hour", with the number of contacts when fewer than asked for; "–" without contacts.
QString Rate(const TRate& rate, int asked);
} // namespace StatsText
