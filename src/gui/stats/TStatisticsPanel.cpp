#include "TStatisticsPanel.h"

#include "data/Errors.h"
#include "data/Paths.h"
#include "data/Prompts.h"
#include "data/TSettings.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace StatsText {

QString Duration(qint64 minutes)
{
    if (minutes < 60) {
        return QStringLiteral("%1 min").arg(minutes);
    }
    return QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60);
}

QString Moment(TMinute minute)
{
    return MinuteTime(minute).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString OffTime(const TOffTime& off)
{
    const QDateTime from = MinuteTime(off.from);
    const QDateTime to = MinuteTime(off.to);
    const QString end = to.date() == from.date() ? to.toString(QStringLiteral("HH:mm"))
                                                 : to.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    return QStringLiteral("%1 – %2 (%3)").arg(Moment(off.from), end, Duration(off.Minutes()));
}

QString Rate(const TRate& rate, int asked)
{
    if (rate.contacts == 0) {
        return QStringLiteral("–");
    }
    const QString perHour = QStringLiteral("%1 per hour").arg(std::lround(rate.PerHour()));
    return rate.contacts < asked ? perHour + QStringLiteral(" (%1 contacts)").arg(rate.contacts) : perHour;
}

} // namespace StatsText

TStatisticsPanel::TStatisticsPanel(TDM& dm, TSettings& settings, IPrompts& prompts, TClock clock,
                                   QWidget* parent)
    : QWidget(parent), fDM(dm), fSettings(settings), fPrompts(prompts), fClock(std::move(clock)), fStats(dm)
{
    setObjectName(QStringLiteral("StatisticsPanel"));
    setWindowTitle(QStringLiteral("Statistics"));
    fSaveFolder = Paths::WorkFolder();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    lblLeftOut = new QLabel(this);
    lblLeftOut->setObjectName(QStringLiteral("lblLeftOut"));
    lblLeftOut->setTextFormat(Qt::PlainText);
    lblLeftOut->setWordWrap(true);
    lblLeftOut->hide();
    layout->addWidget(lblLeftOut);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    fSplitter = splitter;
    splitter->setChildrenCollapsible(false);
    layout->addWidget(splitter, 1);
    // The figures scroll when the panel is too small for them, so that a narrow dock still shows the
    // charts below them.
    auto* scroll = new QScrollArea(splitter);
    scroll->setObjectName(QStringLiteral("scrFigures"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto* figures = new QWidget(scroll);
    scroll->setWidget(figures);
    fGroupsLayout = new QGridLayout(figures);
    fGroupsLayout->setContentsMargins(0, 0, 0, 0);

    grpRate = new QGroupBox(QStringLiteral("Rate"), figures);
    grpRate->setObjectName(QStringLiteral("grpRate"));
    lblLast10Min = AddFigure(grpRate, QStringLiteral("Last 10 minutes:"), QStringLiteral("lblLast10Min"));
    lblLast60Min = AddFigure(grpRate, QStringLiteral("Last 60 minutes:"), QStringLiteral("lblLast60Min"));
    lblThisHour = AddFigure(grpRate, QStringLiteral("This UTC hour:"), QStringLiteral("lblThisHour"));
    lblRate10 = AddFigure(grpRate, QStringLiteral("Last 10 contacts:"), QStringLiteral("lblRate10"));
    lblRate100 = AddFigure(grpRate, QStringLiteral("Last 100 contacts:"), QStringLiteral("lblRate100"));
    lblBestHour = AddFigure(grpRate, QStringLiteral("Best 60 minutes:"), QStringLiteral("lblBestHour"));

    grpTime = new QGroupBox(QStringLiteral("Time"), figures);
    grpTime->setObjectName(QStringLiteral("grpTime"));
    lblFirst = AddFigure(grpTime, QStringLiteral("First contact:"), QStringLiteral("lblFirst"));
    lblLast = AddFigure(grpTime, QStringLiteral("Last contact:"), QStringLiteral("lblLast"));
    lblTimeOn = AddFigure(grpTime, QStringLiteral("Time on the air:"), QStringLiteral("lblTimeOn"));
    spnOffTime = new QSpinBox(grpTime);
    spnOffTime->setObjectName(QStringLiteral("spnOffTime"));
    spnOffTime->setRange(1, 24 * 60);
    spnOffTime->setSuffix(QStringLiteral(" min"));
    spnOffTime->setAccessibleName(QStringLiteral("Off-times are gaps longer than"));
    qobject_cast<QFormLayout*>(grpTime->layout())
        ->addRow(QStringLiteral("Off-times longer than:"), spnOffTime);
    lblOffTimes = AddFigure(grpTime, QStringLiteral("Off-times:"), QStringLiteral("lblOffTimes"));
    lstOffTimes = new QListWidget(grpTime);
    lstOffTimes->setObjectName(QStringLiteral("lstOffTimes"));
    lstOffTimes->setAccessibleName(QStringLiteral("Off-times"));
    lstOffTimes->setMaximumHeight(fontMetrics().height() * 4 + 6);
    lstOffTimes->hide();
    qobject_cast<QFormLayout*>(grpTime->layout())->addRow(lstOffTimes);

    grpScore = new QGroupBox(QStringLiteral("Score"), figures);
    grpScore->setObjectName(QStringLiteral("grpScore"));
    lblTotalPoints = AddFigure(grpScore, QStringLiteral("Total points:"), QStringLiteral("lblTotalPoints"));
    lblContacts = AddFigure(grpScore, QStringLiteral("Contacts:"), QStringLiteral("lblContacts"));
    lblWithTenTen = AddFigure(grpScore, QStringLiteral("With Ten-Ten:"), QStringLiteral("lblWithTenTen"));
    lblWithoutTenTen =
        AddFigure(grpScore, QStringLiteral("Without Ten-Ten:"), QStringLiteral("lblWithoutTenTen"));
    lblEpc = AddFigure(grpScore, QStringLiteral("EPC:"), QStringLiteral("lblEpc"));
    lbl070 = AddFigure(grpScore, QStringLiteral("070:"), QStringLiteral("lbl070"));
    lblPointsPerContact =
        AddFigure(grpScore, QStringLiteral("Points per contact:"), QStringLiteral("lblPointsPerContact"));
    fFigures = figures;

    // The chart views are made when the panel first shows (MakeCharts).
    tabCharts = new QTabWidget(splitter);
    tabCharts->setObjectName(QStringLiteral("tabCharts"));
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    connect(splitter, &QSplitter::splitterMoved, this, [this] { fSplitterMoved = true; });
    ArrangeGroups();
    connect(tabCharts, &QTabWidget::currentChanged, this, &TStatisticsPanel::ShowCurrentChart);

    fUpdateTimer = new QTimer(this);
    fUpdateTimer->setSingleShot(true);
    fUpdateTimer->setInterval(0);
    connect(fUpdateTimer, &QTimer::timeout, this, &TStatisticsPanel::Update);
    fClockTimer = new QTimer(this);
    fClockTimer->setInterval(1000);
    connect(fClockTimer, &QTimer::timeout, this, [this] {
        if (MinuteOf(fClock()) != fShownMinute) {
            ShowClockFigures();
        }
    });

    // A settings file that cannot be read is reported when the program starts; the panel opens with the
    // default then.
    int threshold = TStatsEngine::kDefaultOffTime;
    try {
        threshold = fSettings.GetSetting(SettingKeys::StatsOffTime, threshold);
    } catch (const EVantrel&) {
    }
    spnOffTime->setValue(threshold);
    fStats.SetOffTimeThreshold(spnOffTime->value());
    connect(spnOffTime, &QSpinBox::valueChanged, this, &TStatisticsPanel::OffTimeChanged);
    ShowFigures();
}

TStatisticsPanel::~TStatisticsPanel() = default;

QLabel* TStatisticsPanel::AddFigure(QGroupBox* group, const QString& caption, const QString& name)
{
    auto* form = qobject_cast<QFormLayout*>(group->layout());
    if (!form) {
        form = new QFormLayout(group);
        form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
        form->setLabelAlignment(Qt::AlignLeft);
        form->setVerticalSpacing(2);
        // In a narrow dock a long figure goes below its caption instead of widening the panel.
        form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    }
    auto* value = new QLabel(group);
    value->setObjectName(name);
    value->setTextFormat(Qt::PlainText);
    QFont bold = value->font();
    bold.setBold(true);
    value->setFont(bold);
    form->addRow(caption, value);
    return value;
}

void TStatisticsPanel::MakeCharts()
{
    // The charts cost a good part of the program's start while the panel is usually closed: they are made
    // when it first shows, or when one of them is asked for.
    if (!fCharts.isEmpty()) {
        return;
    }
    for (const auto& [chart, title] :
         {std::pair{TStatsChart::Hours, "Per hour"}, std::pair{TStatsChart::Modes, "Modes"},
          std::pair{TStatsChart::Qth, "QTH"}}) {
        auto* view = new TStatsChartView(chart, tabCharts);
        view->setMinimumHeight(220);
        connect(view, &TStatsChartView::SaveRequested, this, [this, view] { SaveChart(view); });
        fCharts << view;
        tabCharts->addTab(view, QString::fromLatin1(title));
    }
}

TStatsChartView* TStatisticsPanel::ChartView(TStatsChart chart)
{
    MakeCharts();
    for (TStatsChartView* view : fCharts) {
        if (view->Chart() == chart) {
            return view;
        }
    }
    return nullptr;
}

void TStatisticsPanel::SetLog(const QString& table)
{
    fTable = table;
    fLogPending = true;
    ScheduleUpdate();
}

void TStatisticsPanel::LogChanged()
{
    fChangePending = true;
    ScheduleUpdate();
}

void TStatisticsPanel::ScheduleUpdate()
{
    if (isVisible() && !fUpdateTimer->isActive()) {
        fUpdateTimer->start();
    }
}

void TStatisticsPanel::Refresh()
{
    fUpdateTimer->stop();
    Update();
}

void TStatisticsPanel::Update()
{
    const bool load = fLogPending;
    const bool change = fChangePending;
    fLogPending = false;
    fChangePending = false;
    fError.clear();
    try {
        if (load) {
            fStats.SetLog(fTable);
        } else if (change) {
            fStats.LogChanged();
        }
    } catch (const EVantrel& e) {
        fError = e.Message();
    }
    if (load || change) {
        fStaleCharts = {TStatsChart::Hours, TStatsChart::Modes, TStatsChart::Qth};
    }
    ShowFigures();
}

void TStatisticsPanel::ShowError(const QString& text)
{
    lblLeftOut->setText(text);
    lblLeftOut->setVisible(!text.isEmpty());
}

void TStatisticsPanel::ShowFigures()
{
    const TStatsEngine& e = fStats.Engine();
    if (!fError.isEmpty()) {
        ShowError(QStringLiteral("The statistics of the log could not be read: ") + fError);
    } else if (e.LeftOut() > 0) {
        ShowError(QStringLiteral("%1 of the %2 contacts have no valid date and time: they count in the "
                                 "score but not in the rates, times and charts.")
                      .arg(e.LeftOut())
                      .arg(e.Contacts()));
    } else {
        ShowError(QString());
    }

    const QString none = QStringLiteral("–");
    lblRate10->setText(StatsText::Rate(e.LastContacts(10), 10));
    lblRate100->setText(StatsText::Rate(e.LastContacts(100), 100));
    const TBestHour best = e.BestHour();
    lblBestHour->setText(best.contacts == 0
                             ? none
                             : QStringLiteral("%1 (%2 – %3)")
                                   .arg(best.contacts)
                                   .arg(StatsText::Moment(best.start),
                                        MinuteTime(best.start + 59).toString(QStringLiteral("HH:mm"))));
    lblFirst->setText(e.First() ? StatsText::Moment(*e.First()) : none);
    lblLast->setText(e.Last() ? StatsText::Moment(*e.Last()) : none);
    lblTimeOn->setText(e.First() ? StatsText::Duration(e.TimeOn()) : none);
    const QList<TOffTime> offTimes = e.OffTimes();
    lblOffTimes->setText(
        offTimes.isEmpty()
            ? QStringLiteral("none")
            : QStringLiteral("%1, %2 in all").arg(offTimes.size()).arg(StatsText::Duration(e.OffTotal())));
    lstOffTimes->clear();
    for (const TOffTime& off : offTimes) {
        lstOffTimes->addItem(StatsText::OffTime(off));
    }
    lstOffTimes->setVisible(!offTimes.isEmpty());

    const TDM::TLogCounts& c = fStats.Counts();
    lblTotalPoints->setText(QString::number(c.points));
    lblContacts->setText(QString::number(c.total));
    lblWithTenTen->setText(QString::number(c.withTenTen));
    lblWithoutTenTen->setText(QString::number(c.total - c.withTenTen));
    lblEpc->setText(QString::number(c.withEpc));
    lbl070->setText(QString::number(c.with070));
    lblPointsPerContact->setText(c.total > 0 ? QString::number(double(c.points) / c.total, 'f', 2) : none);

    ShowClockFigures();
    ShowCurrentChart();
    // The list of off-times, shown or hidden, changes the room the figures need (nothing else they show
    // does, so logging a contact costs no new layout here).
    if (lstOffTimes->isVisibleTo(this) != fOffTimesFitted) {
        fOffTimesFitted = lstOffTimes->isVisibleTo(this);
        FitFigures();
    }
}

void TStatisticsPanel::ShowClockFigures()
{
    const TStatsEngine& e = fStats.Engine();
    fShownMinute = MinuteOf(fClock());
    lblLast10Min->setText(QString::number(e.InLastMinutes(fShownMinute, 10)));
    lblLast60Min->setText(QString::number(e.InLastMinutes(fShownMinute, 60)));
    lblThisHour->setText(QStringLiteral("%1 (since %2)")
                             .arg(e.InHourOf(fShownMinute))
                             .arg(MinuteTime(HourStart(fShownMinute)).toString(QStringLiteral("HH:mm"))));
}

void TStatisticsPanel::ShowCurrentChart()
{
    auto* view = qobject_cast<TStatsChartView*>(tabCharts->currentWidget());
    if (view && fStaleCharts.removeAll(view->Chart()) > 0) {
        view->ShowFigures(fStats.Engine());
    }
}

void TStatisticsPanel::OffTimeChanged(int minutes)
{
    fStats.SetOffTimeThreshold(minutes);
    ShowFigures();
    RunGuarded(fPrompts, this, [&] { fSettings.SaveSetting(SettingKeys::StatsOffTime, minutes); });
}

void TStatisticsPanel::SaveChart(TStatsChartView* view)
{
    const QString suggested = fSaveFolder + (fTable.isEmpty() ? QStringLiteral("chart") : fTable) +
                              QLatin1Char('_') + ChartFileName(view->Chart()) + QStringLiteral(".png");
    QString path = fPrompts.SaveFile(this, QStringLiteral("Save Chart As"), suggested,
                                     QStringLiteral("PNG image|*.png"), QStringLiteral("png"));
    if (path.isEmpty()) {
        return;
    }
    // Always a PNG file: a name typed without the ending (or with another, such as that of a database)
    // gets it, so no other file is ever replaced by the image.
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) {
        path += QStringLiteral(".png");
    }
    fSaveFolder = QFileInfo(path).absolutePath() + QLatin1Char('/');
    RunGuarded(fPrompts, this, [&] {
        WritePng(RenderChart(view->Chart(), fStats.Engine(), palette(), QSize(1200, 800)), path);
    });
}

QSize TStatisticsPanel::sizeHint() const
{
    QSize hint = QWidget::sizeHint();
    int widest = 0;
    for (const QGroupBox* group : {grpRate, grpTime, grpScore}) {
        widest = std::max(widest, group->sizeHint().width());
    }
    const QMargins margins = layout()->contentsMargins();
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    hint.setWidth(std::max(hint.width(), widest + margins.left() + margins.right() + scrollBar + 4));
    return hint;
}

void TStatisticsPanel::ArrangeGroups()
{
    // Three groups side by side on a wide panel, rate and score beside each other above the time on a
    // medium one, one above the other in a narrow dock.
    const int columns = width() >= 900 ? 3 : width() >= 600 ? 2 : 1;
    if (columns == fColumns) {
        return;
    }
    fColumns = columns;
    for (QGroupBox* group : {grpRate, grpTime, grpScore}) {
        fGroupsLayout->removeWidget(group);
    }
    for (int row = 0; row < 4; ++row) {
        fGroupsLayout->setRowStretch(row, 0);
    }
    int rows = 1;
    if (columns == 3) {
        fGroupsLayout->addWidget(grpRate, 0, 0);
        fGroupsLayout->addWidget(grpTime, 0, 1);
        fGroupsLayout->addWidget(grpScore, 0, 2);
    } else if (columns == 2) {
        fGroupsLayout->addWidget(grpRate, 0, 0);
        fGroupsLayout->addWidget(grpScore, 0, 1);
        fGroupsLayout->addWidget(grpTime, 1, 0, 1, 2);
        rows = 2;
    } else {
        fGroupsLayout->addWidget(grpRate, 0, 0);
        fGroupsLayout->addWidget(grpScore, 1, 0);
        fGroupsLayout->addWidget(grpTime, 2, 0);
        rows = 3;
    }
    // The groups keep their own height; room left over stays below them.
    fGroupsLayout->setRowStretch(rows, 1);
    FitFigures();
}

void TStatisticsPanel::FitFigures()
{
    // Once the operator has moved the splitter, the share is theirs.
    if (fSplitterMoved) {
        return;
    }
    fGroupsLayout->activate();
    // The figures get the height they need (at most half the panel), the charts the rest.
    const int need = fFigures->sizeHint().height() + 4;
    const int figures = std::min(need, height() / 2);
    if (need == fFittedNeed && fSplitter->sizes().value(0) == figures) {
        return;
    }
    fFittedNeed = need;
    fSplitter->setSizes({figures, std::max(1, fSplitter->height() - figures)});
}

void TStatisticsPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ArrangeGroups();
    FitFigures();
}

void TStatisticsPanel::showEvent(QShowEvent* event)
{
    MakeCharts();
    QWidget::showEvent(event);
    fClockTimer->start();
    // What happened while hidden is caught up with now.
    if (fLogPending || fChangePending) {
        Update();
    } else {
        ShowClockFigures();
    }
}

void TStatisticsPanel::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    fClockTimer->stop();
}
