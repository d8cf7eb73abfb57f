#include "TStatsChartView.h"

#include "data/Errors.h"
#include "process/TLogProcessor.h"

#include <QAction>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QCategoryAxis>
#include <QContextMenuEvent>
#include <QHorizontalStackedBarSeries>
#include <QLegend>
#include <QLineSeries>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPieSeries>
#include <QPieSlice>
#include <QShortcut>
#include <QTimer>
#include <QValueAxis>
#include <cmath>

namespace {

QColor Mix(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(float(a.redF() * (1 - t) + b.redF() * t),
                            float(a.greenF() * (1 - t) + b.greenF() * t),
                            float(a.blueF() * (1 - t) + b.blueF() * t));
}

// An axis from 0 to a round number at or above the largest value, with a tick at every round step, so
// that whole numbers label it (also when the largest value is 0 or 1).
void RoundAxis(QValueAxis* axis, double largest)
{
    double step = 1;
    if (largest > 4) {
        const double raw = largest / 4;
        const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
        for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
            step = factor * magnitude;
            if (step >= raw) {
                break;
            }
        }
    }
    const double top = std::max(step, std::ceil(largest / step) * step);
    axis->setRange(0, top);
    axis->setTickCount(int(std::lround(top / step)) + 1);
}

QString ShownName(const QString& name)
{
    return name.isEmpty() ? QStringLiteral("(none)") : name;
}

void StyleAxis(QAbstractAxis* axis, const TChartColors& c)
{
    if (!axis) {
        return;
    }
    axis->setLabelsColor(c.text);
    axis->setTitleBrush(c.text);
    axis->setLinePenColor(c.grid);
    axis->setGridLineColor(c.grid);
    axis->setMinorGridLineColor(c.grid);
}

} // namespace

TChartColors ChartColors(const QPalette& palette)
{
    TChartColors c;
    c.background = palette.color(QPalette::Window);
    c.plot = palette.color(QPalette::Base);
    c.text = palette.color(QPalette::WindowText);
    c.grid = Mix(palette.color(QPalette::Text), c.plot, 0.78);
    c.bars = palette.color(QPalette::Highlight);
    c.line = palette.color(QPalette::Text);
    // Shades of the theme's highlight, toward its light and its dark end: the charts keep the theme's hue
    // (a red night theme stays red).
    const QColor text = palette.color(QPalette::Text);
    const bool darkTheme = c.plot.lightness() < text.lightness();
    const QColor light = darkTheme ? text : c.plot;
    const QColor dark = darkTheme ? c.plot : text;
    c.states = c.bars;
    c.countries = Mix(c.bars, light, 0.5);
    c.other = Mix(text, c.plot, 0.6);
    c.slices = {c.bars,
                Mix(c.bars, light, 0.45),
                Mix(c.bars, dark, 0.4),
                Mix(c.bars, light, 0.7),
                Mix(c.bars, dark, 0.65),
                Mix(c.bars, light, 0.25),
                Mix(c.bars, dark, 0.2),
                Mix(c.bars, light, 0.85),
                c.other};
    return c;
}

QString ChartFileName(TStatsChart chart)
{
    switch (chart) {
    case TStatsChart::Hours:
        return QStringLiteral("hours");
    case TStatsChart::Modes:
        return QStringLiteral("modes");
    case TStatsChart::Qth:
        break;
    }
    return QStringLiteral("qth");
}

TStatsChartView::TStatsChartView(TStatsChart chart, QWidget* parent) : QChartView(parent), fChart(chart)
{
    setRenderHint(QPainter::Antialiasing);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    auto* save = new QAction(QStringLiteral("Save Chart As…"), this);
    save->setObjectName(QStringLiteral("actSaveChart"));
    connect(save, &QAction::triggered, this, &TStatsChartView::SaveRequested);
    addAction(save);
    // Shift+F10 opens the context menu from the keyboard, as the menu key does.
    auto* menuKey =
        new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this, nullptr, nullptr, Qt::WidgetShortcut);
    connect(menuKey, &QShortcut::activated, this, [this] { PopUpMenu(mapToGlobal(rect().center())); });

    auto* c = new QChart;
    c->setBackgroundRoundness(0);
    c->setMargins(QMargins(6, 6, 6, 6));
    QFont title = c->titleFont();
    title.setBold(true);
    title.setPointSizeF(QApplication::font().pointSizeF() + 1);
    c->setTitleFont(title);
    setChart(c);
    switch (fChart) {
    case TStatsChart::Hours:
        setObjectName(QStringLiteral("chartHours"));
        BuildHours();
        break;
    case TStatsChart::Modes:
        setObjectName(QStringLiteral("chartModes"));
        BuildModes();
        break;
    case TStatsChart::Qth:
        setObjectName(QStringLiteral("chartQth"));
        BuildQth();
        break;
    }
    ApplyPalette(QApplication::palette());
}

void TStatsChartView::BuildHours()
{
    chart()->setTitle(QStringLiteral("Contacts per UTC hour"));
    fBars = new QBarSet(QStringLiteral("Contacts"));
    auto* bars = new QBarSeries;
    bars->append(fBars);
    bars->setBarWidth(0.8);
    fLine = new QLineSeries;
    fLine->setName(QStringLiteral("Score"));
    chart()->addSeries(bars);
    chart()->addSeries(fLine);
    fHourAxis = new QCategoryAxis;
    fHourAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    fHourAxis->setGridLineVisible(false);
    fCountAxis = new QValueAxis;
    fCountAxis->setTitleText(QStringLiteral("Contacts"));
    fCountAxis->setLabelFormat(QStringLiteral("%d"));
    fScoreAxis = new QValueAxis;
    fScoreAxis->setTitleText(QStringLiteral("Score"));
    fScoreAxis->setLabelFormat(QStringLiteral("%d"));
    fScoreAxis->setGridLineVisible(false);
    chart()->addAxis(fHourAxis, Qt::AlignBottom);
    chart()->addAxis(fCountAxis, Qt::AlignLeft);
    chart()->addAxis(fScoreAxis, Qt::AlignRight);
    bars->attachAxis(fHourAxis);
    bars->attachAxis(fCountAxis);
    fLine->attachAxis(fHourAxis);
    fLine->attachAxis(fScoreAxis);
    chart()->legend()->setAlignment(Qt::AlignTop);
    fHourAxis->setRange(-0.5, 0.5);
    RoundAxis(fCountAxis, 0);
    RoundAxis(fScoreAxis, 0);
}

void TStatsChartView::BuildModes()
{
    chart()->setTitle(QStringLiteral("Contacts by mode"));
    fPie = new QPieSeries;
    fPie->setPieSize(0.62);
    chart()->addSeries(fPie);
    chart()->legend()->hide();
}

void TStatsChartView::BuildQth()
{
    chart()->setTitle(QStringLiteral("Contacts by QTH"));
    fStates = new QBarSet(QStringLiteral("US states"));
    fCountries = new QBarSet(QStringLiteral("DX countries"));
    fOthers = new QBarSet(QStringLiteral("Other"));
    fQthSeries = new QHorizontalStackedBarSeries;
    fQthSeries->append({fStates, fCountries, fOthers});
    fQthSeries->setBarWidth(0.75);
    chart()->addSeries(fQthSeries);
    fQthAxis = new QBarCategoryAxis;
    fQthAxis->setGridLineVisible(false);
    fQthCountAxis = new QValueAxis;
    fQthCountAxis->setLabelFormat(QStringLiteral("%d"));
    fQthCountAxis->setTitleText(QStringLiteral("Contacts"));
    chart()->addAxis(fQthAxis, Qt::AlignLeft);
    chart()->addAxis(fQthCountAxis, Qt::AlignBottom);
    fQthSeries->attachAxis(fQthAxis);
    fQthSeries->attachAxis(fQthCountAxis);
    chart()->legend()->setAlignment(Qt::AlignTop);
    RoundAxis(fQthCountAxis, 0);
}

void TStatsChartView::ShowFigures(const TStatsEngine& engine)
{
    switch (fChart) {
    case TStatsChart::Hours:
        ShowHours(engine);
        break;
    case TStatsChart::Modes:
        ShowModes(engine);
        break;
    case TStatsChart::Qth:
        ShowQth(engine);
        break;
    }
}

void TStatsChartView::ShowHours(const TStatsEngine& engine)
{
    const std::map<qint64, THourCount>& hours = engine.Hours();
    QList<qreal> counts;
    QList<QPointF> score;
    if (!hours.empty()) {
        const qint64 last = hours.rbegin()->first;
        fFirstHour = std::max(hours.begin()->first, last - kHoursShown + 1);
        const int n = int(last - fFirstHour + 1);
        counts.fill(0, n);
        QList<qint64> points(n, 0);
        qint64 shownPoints = 0;
        for (auto it = hours.lower_bound(fFirstHour); it != hours.end(); ++it) {
            const int i = int(it->first - fFirstHour);
            counts[i] = it->second.contacts;
            points[i] = it->second.points;
            shownPoints += it->second.points;
        }
        // The score of the hours before the first one shown starts the line.
        qint64 running = engine.TimedPoints() - shownPoints;
        score.reserve(n);
        for (int i = 0; i < n; ++i) {
            running += points[i];
            score.append(QPointF(i, qreal(running)));
        }
    }
    const bool sameHours = fHoursShown == counts.size();
    fHoursShown = int(counts.size());
    if (sameHours) {
        for (int i = 0; i < fHoursShown; ++i) {
            if (fBars->at(i) != counts[i]) {
                fBars->replace(i, counts[i]);
            }
        }
    } else {
        fBars->remove(0, fBars->count());
        fBars->append(counts);
    }
    fLine->replace(score);
    fHourAxis->setRange(-0.5, std::max(0.5, fHoursShown - 0.5));
    RoundAxis(fCountAxis, counts.isEmpty() ? 0 : *std::max_element(counts.begin(), counts.end()));
    RoundAxis(fScoreAxis, score.isEmpty() ? 0 : std::max(0.0, score.last().y()));
    chart()->setTitle(fHoursShown == kHoursShown && hours.begin()->first < fFirstHour
                          ? QStringLiteral("Contacts per UTC hour (the last %1 hours)").arg(kHoursShown)
                          : QStringLiteral("Contacts per UTC hour"));
    if (!sameHours) {
        LabelHours();
    }
}

void TStatsChartView::LabelHours()
{
    for (const QString& label : fHourAxis->categoriesLabels()) {
        fHourAxis->remove(label);
    }
    fHourAxis->setStartValue(-0.5);
    if (fHoursShown == 0) {
        return;
    }
    // Labels about 70 pixels apart at least, on hours that divide the day evenly.
    const int room =
        std::max(1, int(chart()->plotArea().width() > 0 ? chart()->plotArea().width() : width() * 0.8) / 70);
    int step = 24;
    for (const int s : {1, 2, 3, 4, 6, 12, 24}) {
        if (fHoursShown / s + 1 <= room) {
            step = s;
            break;
        }
    }
    const QLocale c = QLocale::c();
    for (int i = 0; i < fHoursShown; ++i) {
        const qint64 hour = fFirstHour + i;
        if (hour % step != 0) {
            continue;
        }
        // Day and hour: unique over the hours shown (fewer than a week), as the axis needs.
        const QDateTime at = MinuteTime(hour * 60);
        fHourAxis->append(c.toString(at, QStringLiteral("ddd HH")) + QStringLiteral(":00"), i);
    }
    fHourAxis->setRange(-0.5, fHoursShown - 0.5);
}

void TStatsChartView::ShowModes(const TStatsEngine& engine)
{
    const TBreakdown modes = engine.Modes(kTopModes);
    QList<QPair<QString, int>> items = modes.top;
    if (modes.other > 0) {
        items.append({QStringLiteral("Other"), modes.other});
    }
    const double total = engine.Timed();
    if (fPie->count() != items.size()) {
        fPie->clear();
        for (qsizetype i = 0; i < items.size(); ++i) {
            fPie->append(new QPieSlice(QString(), 1));
        }
    }
    const QList<QPieSlice*> slices = fPie->slices();
    for (qsizetype i = 0; i < items.size(); ++i) {
        QPieSlice* slice = slices[i];
        slice->setValue(items[i].second);
        slice->setLabel(QStringLiteral("%1: %2 (%3%)")
                            .arg(ShownName(items[i].first))
                            .arg(items[i].second)
                            .arg(total > 0 ? std::lround(100.0 * items[i].second / total) : 0));
        slice->setLabelVisible(true);
    }
    ColourSeries();
}

void TStatsChartView::ShowQth(const TStatsEngine& engine)
{
    fQthFigures = engine.Qths(kTopQth);
    fQthRows = -1;
    ShowQthRows();
}

int TStatsChartView::QthRowsRoom() const
{
    // Each QTH needs the height of its label, or the axis elides it; the plot area is known once the
    // chart has been laid out (until then, and in images, all are shown).
    const qreal plot = chart()->plotArea().height();
    if (plot <= 0) {
        return kTopQth + 1;
    }
    const int line = QFontMetrics(fQthAxis->labelsFont()).height() + 2;
    return std::max(4, int(plot / line));
}

void TStatsChartView::ShowQthRows()
{
    // As many of the QTHs with the most contacts as the chart holds (up to 15), the rest as "Other".
    const TBreakdown& qths = fQthFigures;
    const int room = QthRowsRoom();
    int shown = int(qths.top.size());
    if (shown + (qths.other > 0 ? 1 : 0) > room) {
        shown = room - 1;
    }
    if (shown == fQthRows) {
        return;
    }
    fQthRows = shown;
    int other = qths.other;
    for (qsizetype i = shown; i < qths.top.size(); ++i) {
        other += qths.top[i].second;
    }
    // The axis lists its first category at the bottom: the most worked QTH goes last, at the top, and
    // "Other" first, at the bottom.
    QStringList names;
    QList<qreal> states;
    QList<qreal> countries;
    QList<qreal> others;
    if (other > 0) {
        names << QStringLiteral("Other");
        states << 0;
        countries << 0;
        others << other;
    }
    int largest = other;
    for (qsizetype i = shown - 1; i >= 0; --i) {
        const auto& [name, count] = qths.top[i];
        const bool state = IsStateQth(name);
        names << ShownName(name);
        states << (state ? count : 0);
        countries << (state ? 0 : count);
        others << 0;
        largest = std::max(largest, count);
    }
    if (fQthAxis->categories() != names) {
        fQthAxis->setCategories(names);
    }
    for (const auto& [set, values] :
         {std::pair{fStates, &states}, std::pair{fCountries, &countries}, std::pair{fOthers, &others}}) {
        set->remove(0, set->count());
        set->append(*values);
    }
    RoundAxis(fQthCountAxis, largest);
}

void TStatsChartView::resizeEvent(QResizeEvent* event)
{
    QChartView::resizeEvent(event);
    if (fChart == TStatsChart::Hours) {
        LabelHours();
    } else if (fChart == TStatsChart::Qth) {
        // The plot area takes its new height when the chart is laid out, after this.
        QTimer::singleShot(0, this, &TStatsChartView::ShowQthRows);
    }
}

void TStatsChartView::ApplyPalette(const QPalette& palette)
{
    fColors = ChartColors(palette);
    QChart* c = chart();
    c->setBackgroundBrush(fColors.background);
    c->setBackgroundPen(Qt::NoPen);
    c->setPlotAreaBackgroundBrush(fColors.plot);
    c->setPlotAreaBackgroundVisible(true);
    c->setTitleBrush(fColors.text);
    c->legend()->setLabelColor(fColors.text);
    setBackgroundBrush(fColors.background);
    for (QAbstractAxis* axis : c->axes()) {
        StyleAxis(axis, fColors);
    }
    ColourSeries();
}

void TStatsChartView::ColourSeries()
{
    if (fBars) {
        fBars->setColor(fColors.bars);
        fBars->setBorderColor(fColors.bars);
        QPen pen(fColors.line);
        pen.setWidthF(2.5);
        fLine->setPen(pen);
    }
    if (fPie) {
        const QList<QPieSlice*> slices = fPie->slices();
        for (qsizetype i = 0; i < slices.size(); ++i) {
            QPieSlice* slice = slices[i];
            const bool other = slice->label().startsWith(QStringLiteral("Other:"));
            slice->setColor(other ? fColors.other : fColors.slices[i % (fColors.slices.size() - 1)]);
            slice->setBorderColor(fColors.plot);
            slice->setLabelColor(fColors.text);
        }
    }
    if (fQthSeries) {
        for (const auto& [set, color] :
             {std::pair{fStates, fColors.states}, std::pair{fCountries, fColors.countries},
              std::pair{fOthers, fColors.other}}) {
            set->setColor(color);
            set->setBorderColor(color);
        }
    }
}

QList<qreal> TStatsChartView::BarValues() const
{
    QList<qreal> values;
    if (fBars) {
        for (int i = 0; i < fBars->count(); ++i) {
            values << fBars->at(i);
        }
    }
    if (fPie) {
        for (const QPieSlice* slice : fPie->slices()) {
            values << slice->value();
        }
    }
    if (fQthSeries) {
        for (int i = 0; i < fStates->count(); ++i) {
            values << fStates->at(i) + fCountries->at(i) + fOthers->at(i);
        }
    }
    return values;
}

QList<QPointF> TStatsChartView::LinePoints() const
{
    return fLine ? fLine->points() : QList<QPointF>();
}

QStringList TStatsChartView::Categories() const
{
    if (fQthAxis) {
        return fQthAxis->categories();
    }
    QStringList labels;
    if (fPie) {
        for (const QPieSlice* slice : fPie->slices()) {
            labels << slice->label();
        }
    }
    if (fHourAxis) {
        labels = fHourAxis->categoriesLabels();
    }
    return labels;
}

void TStatsChartView::changeEvent(QEvent* event)
{
    QChartView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        // The chart resets its own colours when its scene hears of the new palette, which comes after the
        // windows: the theme's colours go on once that is done.
        QTimer::singleShot(0, this, [this] { ApplyPalette(palette()); });
    }
}

void TStatsChartView::contextMenuEvent(QContextMenuEvent* event)
{
    PopUpMenu(event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(rect().center())
                                                             : event->globalPos());
    event->accept();
}

void TStatsChartView::PopUpMenu(const QPoint& globalPos)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("mnuChart"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addActions(actions());
    menu->popup(globalPos);
}

QImage RenderChart(TStatsChart chart, const TStatsEngine& engine, const QPalette& palette, const QSize& size)
{
    TStatsChartView view(chart);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.ApplyPalette(palette);
    view.resize(size);
    view.show();
    view.ShowFigures(engine);
    // The chart lays itself out when its events are handled.
    QCoreApplication::sendPostedEvents();
    QImage image(size, QImage::Format_ARGB32);
    image.fill(ChartColors(palette).background);
    QPainter painter(&image);
    view.render(&painter);
    painter.end();
    return image;
}

void WritePng(const QImage& image, const QString& path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        throw EVantrel(QStringLiteral("Cannot write file \"%1\".").arg(QDir::toNativeSeparators(path)));
    }
    TOutputFile file(path);
    file.Write(bytes);
    file.Commit();
}

void SaveChartImages(const TStatsEngine& engine, const QPalette& palette, const QString& folder,
                     const QString& table)
{
    for (const TStatsChart chart : {TStatsChart::Hours, TStatsChart::Modes, TStatsChart::Qth}) {
        WritePng(RenderChart(chart, engine, palette, QSize(1200, 800)),
                 folder + table + QLatin1Char('_') + ChartFileName(chart) + QStringLiteral(".png"));
    }
}
