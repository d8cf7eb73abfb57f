// Takes the screenshots of the statistics panel in docs/: the panel filling a 1024 × 768 screen over a
// weekend's Open Season log, once per theme and chart, and once as narrow as a dock beside the entry form.
// Run it under xvfb-run -a -s "-screen 0 1024x768x24" from the build's bin folder (it needs the shipped
// config.db beside it): vantrel_stats_screenshots <folder>. With a size (vantrel_stats_screenshots
// <folder> 512x384) the panel is taken at that size alone, as a dock of that size would show it (with
// QT_SCALE_FACTOR=2 on a small screen, say).

#include "ScreenshotTool.h"
#include "common/TQuietPrompts.h"
#include "common/TTestHome.h"
#include "data/TDM.h"
#include "data/TSettings.h"
#include "gui/common/TVantrelApplication.h"
#include "gui/common/Themes.h"
#include "gui/stats/TStatisticsPanel.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QThread>
#include <cstdio>

namespace {

const QString kTable = QStringLiteral("W7VNT_2026_Open_Season");

// A weekend of operating: Saturday afternoon and evening, a night's sleep, Sunday with a lunch break;
// the rate rises and falls with the band.
QList<tLogRecord> Weekend()
{
    static const char* const states[] = {"TX", "CA", "FL", "OH", "AZ", "WA", "NY", "PA", "GA", "MI",
                                         "CO", "OR", "IL", "NC", "VA", "MN", "TN", "MO", "IN", "WI"};
    static const char* const countries[] = {"Canada",    "Japan",     "Germany", "England", "Brazil",
                                            "Argentina", "Australia", "Italy",   "Spain",   "New Zealand"};
    static const char* const modes[] = {"SSB", "SSB", "SSB", "SSB", "CW", "CW", "FT8", "FM", "RTTY"};
    QRandomGenerator rng(1010);
    QList<tLogRecord> log;
    const auto work = [&](const QDateTime& from, const QDateTime& to, int meanGap) {
        for (QDateTime at = from; at < to; at = at.addSecs(30 + rng.bounded(meanGap * 2))) {
            tLogRecord rec;
            rec.date = at.toString(QStringLiteral("yyyy-MM-dd"));
            rec.time = at.toString(QStringLiteral("HH:mm"));
            rec.call = QStringLiteral("K%1AB%2").arg(rng.bounded(10)).arg(QChar('A' + rng.bounded(26)));
            rec.mode = QString::fromLatin1(modes[rng.bounded(int(std::size(modes)))]);
            const bool dx = rng.bounded(10) < 3;
            // A few states and countries come up far more often than the others.
            const int pick = std::min(rng.bounded(20), rng.bounded(20));
            rec.qth = QString::fromLatin1(dx ? countries[pick % 10] : states[pick]);
            rec.tenten = rng.bounded(3) ? QString::number(10000 + rng.bounded(70000)) : QString();
            rec.epc = rng.bounded(6) ? QString() : QString::number(rng.bounded(9000));
            rec.points = rec.tenten.isEmpty() ? 1 : 2;
            log << rec;
        }
    };
    const QDate saturday(2026, 2, 7);
    const auto at = [](const QDate& day, int h, int m) { return QDateTime(day, QTime(h, m), Qt::UTC); };
    work(at(saturday, 14, 2), at(saturday, 17, 0), 150);
    work(at(saturday, 17, 0), at(saturday, 21, 30), 70);
    work(at(saturday, 21, 30), at(saturday.addDays(1), 1, 40), 200);
    work(at(saturday.addDays(1), 12, 5), at(saturday.addDays(1), 16, 0), 90);
    work(at(saturday.addDays(1), 16, 50), at(saturday.addDays(1), 20, 10), 60);
    // Two contacts typed in without a time.
    for (int i = 0; i < 2; ++i) {
        tLogRecord rec = log.at(i);
        rec.time.clear();
        log << rec;
    }
    return log;
}

} // namespace

int main(int argc, char** argv)
{
    TVantrelApplication app(argc, argv);
    const QString out = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".")).absolutePath();
    QDir().mkpath(out);
    TTestHome home;
    home.PrepareWorkFolder();
    TDM dm;
    dm.OpenLogs(home.Work() + QStringLiteral("logs.db"));
    dm.CreateConfig();
    TMysettings rec;
    rec.TableName = kTable;
    rec.ContestName = QStringLiteral("Open Season");
    rec.Callsign = QStringLiteral("W7VNT");
    dm.CreateLog(rec);
    dm.LogAddRecords(Weekend(), kTable);
    TSettings settings(home.Work() + QStringLiteral("Vantrel.cfg"));
    TQuietPrompts prompts;

    const QDateTime now(QDate(2026, 2, 8), QTime(20, 14), Qt::UTC);
    QSize size(1024, 768);
    bool dock = true;
    if (argc > 2) {
        const QStringList parts = QString::fromLocal8Bit(argv[2]).split(QLatin1Char('x'));
        size = QSize(parts.value(0).toInt(), parts.value(1).toInt());
        if (size.isEmpty()) {
            std::fprintf(stderr, "The size is given as WIDTHxHEIGHT, such as 512x384.\n");
            return 1;
        }
        dock = false;
    }
    for (const QString& theme : {QStringLiteral("Sky"), QStringLiteral("Night")}) {
        Themes::Apply(theme);
        TStatisticsPanel panel(dm, settings, prompts, [&] { return now; });
        panel.setGeometry(QRect(QPoint(0, 0), size));
        panel.show();
        panel.SetLog(kTable);
        panel.Refresh();
        auto* tabs = panel.findChild<QTabWidget*>(QStringLiteral("tabCharts"));
        for (int tab = 0; tab < tabs->count(); ++tab) {
            tabs->setCurrentIndex(tab);
            Settle();
            const QString name =
                QStringLiteral("%1/statistics-%2-%3.png")
                    .arg(out, theme.toLower(),
                         ChartFileName(qobject_cast<TStatsChartView*>(tabs->widget(tab))->Chart()));
            if (panel.grab().save(name)) {
                std::printf("%s\n", qPrintable(name));
            }
        }
        // As a dock beside the entry form: the figures one group above the other, above the chart.
        if (dock && theme == QStringLiteral("Sky")) {
            tabs->setCurrentIndex(0);
            panel.setGeometry(0, 0, 440, 768);
            Settle();
            const QString name = out + QStringLiteral("/statistics-sky-dock.png");
            if (panel.grab().save(name)) {
                std::printf("%s\n", qPrintable(name));
            }
        }
    }
    return 0;
}
