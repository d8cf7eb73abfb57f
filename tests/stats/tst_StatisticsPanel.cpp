#include "app/ADIFImport.h"
#include "app/LogContact.h"
#include "common/TScriptedPrompts.h"
#include "common/TTestHome.h"
#include "common/TestRegistry.h"
#include "data/LogEdits.h"
#include "data/TDM.h"
#include "data/TSettings.h"
#include "feeds/TFeedQueue.h"
#include "feeds/TWsjtxListener.h"
#include "gui/common/Themes.h"
#include "gui/stats/TStatisticsPanel.h"
#include "process/ADIFContact.h"
#include "process/ADIFRecordReader.h"

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QDataStream>
#include <QDockWidget>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QUdpSocket>
#include <memory>
#include <numeric>

namespace {

const QString kPanelLog = QStringLiteral("W7VNT_2024_Open_Season");

tLogRecord Contact(const QString& call, const QString& time, const QString& tenten, const QString& epc,
                   int points, const QString& mode = QStringLiteral("SSB"),
                   const QString& qth = QStringLiteral("TX"))
{
    tLogRecord rec;
    rec.call = call;
    rec.date = QStringLiteral("2024-02-03");
    rec.time = time;
    rec.tenten = tenten;
    rec.epc = epc;
    rec.points = points;
    rec.mode = mode;
    rec.qth = qth;
    return rec;
}

} // namespace

// The statistics panel alone, over a real logs.db: its figures after the log changes, its charts, saving
// a chart and following the theme.
class TestStatisticsPanel : public QObject
{
    Q_OBJECT

    std::unique_ptr<TTestHome> fHome;
    std::unique_ptr<TDM> fDM;
    std::unique_ptr<TSettings> fSettings;
    TScriptedPrompts fPrompts;
    QDateTime fNow;
    QPalette fPalette;
    std::unique_ptr<TStatisticsPanel> fPanel;
    TMysettings fLog;

    QString Text(const char* label) const { return fPanel->findChild<QLabel*>(label)->text(); }

    // The score figures shown against the status bar's source.
    void VerifyScore()
    {
        fPanel->Refresh();
        const TDM::TLogCounts c = fDM->LogCounts(kPanelLog);
        QCOMPARE(Text("lblContacts"), QString::number(c.total));
        QCOMPARE(Text("lblWithTenTen"), QString::number(c.withTenTen));
        QCOMPARE(Text("lblWithoutTenTen"), QString::number(c.total - c.withTenTen));
        QCOMPARE(Text("lblEpc"), QString::number(c.withEpc));
        QCOMPARE(Text("lbl070"), QString::number(c.with070));
        QCOMPARE(Text("lblTotalPoints"), QString::number(c.points));
        QCOMPARE(Text("lblPointsPerContact"),
                 c.total ? QString::number(double(c.points) / c.total, 'f', 2) : QStringLiteral("–"));
    }

private slots:
    void init()
    {
        fHome = std::make_unique<TTestHome>();
        fHome->PrepareWorkFolder();
        fDM = std::make_unique<TDM>();
        fDM->OpenLogs(fHome->Work() + QStringLiteral("logs.db"));
        fDM->OpenConfig(fHome->Work() + QStringLiteral("config.db"));
        fDM->CreateConfig();
        fLog = TMysettings();
        fLog.TableName = kPanelLog;
        fLog.ContestName = QStringLiteral("Open Season");
        fDM->CreateLog(fLog);
        fSettings = std::make_unique<TSettings>(fHome->Work() + QStringLiteral("Vantrel.cfg"));
        fPrompts.Clear();
        fPalette = QApplication::palette();
        fNow = QDateTime(QDate(2024, 2, 3), QTime(14, 35), Qt::UTC);
        fPanel = std::make_unique<TStatisticsPanel>(*fDM, *fSettings, fPrompts, [this] { return fNow; });
        fPanel->resize(1000, 700);
        fPanel->show();
        QVERIFY(QTest::qWaitForWindowExposed(fPanel.get()));
    }

    void cleanup()
    {
        fPanel.reset();
        fSettings.reset();
        fDM.reset();
        fHome.reset();
        QApplication::setPalette(fPalette);
    }

    // The score figures are the status bar's counts through logging, editing and deleting; the panel
    // catches up by itself when the event loop runs.
    void ScoreFollowsTheLog()
    {
        fPanel->SetLog(kPanelLog);
        VerifyScore();
        QCOMPARE(Text("lblContacts"), QStringLiteral("0"));
        QCOMPARE(Text("lblRate10"), QStringLiteral("–"));

        fDM->LogAddRecord(Contact("K1ABC", "14:20", "1234", "", 2), kPanelLog);
        fDM->LogAddRecord(Contact("G3XYZ", "14:30", "", "55", 1, "CW", "England"), kPanelLog);
        fPanel->LogChanged();
        QTRY_COMPARE(Text("lblContacts"), QStringLiteral("2"));
        VerifyScore();
        QCOMPARE(Text("lblLast10Min"), QStringLiteral("1"));
        QCOMPARE(Text("lblLast60Min"), QStringLiteral("2"));
        QCOMPARE(Text("lblThisHour"), QStringLiteral("2 (since 14:00)"));
        QCOMPARE(Text("lblRate10"), QStringLiteral("11 per hour (2 contacts)"));
        QCOMPARE(Text("lblBestHour"), QStringLiteral("2 (2024-02-03 14:20 – 15:19)"));
        QCOMPARE(Text("lblFirst"), QStringLiteral("2024-02-03 14:20"));
        QCOMPARE(Text("lblTimeOn"), QStringLiteral("10 min"));

        const qint64 first = RecentContacts(*fDM, kPanelLog, 5).last().key;
        tLogRecord rec = *ReadContact(*fDM, kPanelLog, first);
        rec.tenten.clear();
        rec.epc = QStringLiteral("77");
        rec.points = 1;
        rec.time = QStringLiteral("12:00");
        UpdateContact(*fDM, kPanelLog, first, rec);
        fPanel->LogChanged();
        VerifyScore();
        QCOMPARE(Text("lblFirst"), QStringLiteral("2024-02-03 12:00"));
        QCOMPARE(Text("lblOffTimes"), QStringLiteral("1, 2 h 30 min in all"));
        QCOMPARE(fPanel->findChild<QListWidget*>("lstOffTimes")->item(0)->text(),
                 QStringLiteral("2024-02-03 12:00 – 14:30 (2 h 30 min)"));

        DeleteContact(*fDM, kPanelLog, first);
        fPanel->LogChanged();
        VerifyScore();
        DeleteContact(*fDM, kPanelLog, *LastContactKey(*fDM, kPanelLog));
        fPanel->LogChanged();
        VerifyScore();
        QCOMPARE(Text("lblFirst"), QStringLiteral("–"));
    }

    // An ADIF import and a contact that WSJT-X reports over UDP are taken in from the end of the log on
    // (the log is not read again), and the score is the status bar's.
    void FollowsImportsAndFeeds()
    {
        fDM->LogAddRecord(Contact("K1ABC", "14:00", "1234", "", 2), kPanelLog);
        fPanel->SetLog(kPanelLog);
        fPanel->Refresh();
        const int loads = fPanel->Statistics().FullLoads();

        // An ADIF file as contest programs export it: CRLF, header, upper-case tags, seconds in the times;
        // the record without a time is not imported.
        const QByteArray adif = "Exported log\r\n<ADIF_VER:5>3.1.4 <PROGRAMID:7>Logbook <EOH>\r\n"
                                "<CALL:5>W5XYZ <QSO_DATE:8>20240203 <TIME_ON:6>141500 <MODE:3>SSB "
                                "<STATE:2>TX <TEN_TEN:5>55555 <EOR>\r\n"
                                "<CALL:6>JA1ABC <QSO_DATE:8>20240203 <TIME_ON:6>142000 <MODE:2>CW "
                                "<COUNTRY:5>Japan <EOR>\r\n"
                                "<CALL:5>VK2ZZ <QSO_DATE:8>20240203 <MODE:3>SSB <COUNTRY:9>Australia "
                                "<EPC:3>123 <EOR>\r\n";
        TADIFImport adifImport(*fDM, fLog);
        adifImport.Read(adif);
        QCOMPARE(adifImport.Store(false), 2);
        fPanel->LogChanged();
        QTRY_COMPARE(Text("lblContacts"), QStringLiteral("3"));
        VerifyScore();
        QCOMPARE(Text("lblWithTenTen"), QStringLiteral("2"));
        QCOMPARE(Text("lblLast60Min"), QStringLiteral("3"));

        // WSJT-X's "Logged ADIF" datagram on a real socket, logged as the main window logs it.
        TFeedQueue queue;
        TCountryTable countries;
        countries.Load(*fDM);
        TWsjtxListener listener(queue, [&](const QByteArray& record) {
            TADIFRecordReader reader(record);
            TADIFRecord fields;
            QVERIFY(reader.Next(fields));
            tLogRecord rec;
            QCOMPARE(ContactFromADIF(fields, countries, rec), QString());
            LogContact(*fDM, fLog, TContactEntry(rec));
            fPanel->LogChanged();
        });
        listener.Open(0);
        QByteArray datagram;
        QDataStream out(&datagram, QIODevice::WriteOnly);
        out << quint32(0xadbccbda) << quint32(3) << quint32(12) << QByteArray("WSJT-X")
            << QByteArray("\n<adif_ver:5>3.1.0\n<programid:6>WSJT-X\n<EOH>\n<call:5>DL1AB <gridsquare:4>JO62 "
                          "<mode:3>FT8 <rst_sent:3>-10 <rst_rcvd:3>-15 <qso_date:8>20240203 "
                          "<time_on:6>143012 <qso_date_off:8>20240203 <time_off:6>143112 <band:3>10m "
                          "<freq:7>28.0755 <station_callsign:5>W7VNT <my_gridsquare:4>CN85 "
                          "<country:7>Germany <operator:5>W7VNT <EOR>");
        QUdpSocket sender;
        QCOMPARE(sender.writeDatagram(datagram, QHostAddress::LocalHost, listener.LocalPort()),
                 datagram.size());
        QTRY_COMPARE(Text("lblContacts"), QStringLiteral("4"));
        VerifyScore();
        QCOMPARE(Text("lblLast10Min"), QStringLiteral("1"));
        QCOMPARE(fPanel->ChartView(TStatsChart::Hours)->BarValues(), (QList<qreal>{4}));
        QCOMPARE(fPanel->Statistics().FullLoads(), loads);
    }

    // The rates of the last minutes follow the clock without any change of the log.
    void RatesFollowTheClock()
    {
        fDM->LogAddRecord(Contact("K1ABC", "14:30", "1", "", 2), kPanelLog);
        fPanel->SetLog(kPanelLog);
        fPanel->Refresh();
        QCOMPARE(Text("lblLast10Min"), QStringLiteral("1"));
        fNow = fNow.addSecs(11 * 60);
        QTRY_COMPARE_WITH_TIMEOUT(Text("lblLast10Min"), QStringLiteral("0"), 3000);
        QCOMPARE(Text("lblLast60Min"), QStringLiteral("1"));
        fNow = fNow.addSecs(60 * 60);
        QTRY_COMPARE_WITH_TIMEOUT(Text("lblThisHour"), QStringLiteral("0 (since 15:00)"), 3000);
    }

    void LeftOutContactsAreNamed()
    {
        fDM->LogAddRecord(Contact("K1ABC", "14:30", "1", "", 2), kPanelLog);
        fDM->LogAddRecord(Contact("K2ABC", "", "1", "", 2), kPanelLog);
        fDM->LogAddRecord(Contact("K3ABC", "99:99", "1", "", 2), kPanelLog);
        fPanel->SetLog(kPanelLog);
        fPanel->Refresh();
        auto* note = fPanel->findChild<QLabel*>("lblLeftOut");
        QVERIFY(note->isVisible());
        QCOMPARE(note->text(),
                 QStringLiteral("2 of the 3 contacts have no valid date and time: they count in the "
                                "score but not in the rates, times and charts."));
        QCOMPARE(Text("lblContacts"), QStringLiteral("3"));
        QCOMPARE(Text("lblTotalPoints"), QStringLiteral("6"));
    }

    // A log that cannot be read is said so in the panel; nothing is thrown at the caller.
    void UnreadableLog()
    {
        fPanel->SetLog(QStringLiteral("No_Such_Log"));
        fPanel->Refresh();
        auto* note = fPanel->findChild<QLabel*>("lblLeftOut");
        QVERIFY(note->isVisible());
        QVERIFY2(note->text().startsWith(QStringLiteral("The statistics of the log could not be read: ")),
                 qPrintable(note->text()));
        QCOMPARE(Text("lblContacts"), QStringLiteral("0"));
    }

    // While hidden the panel does no work; shown again, it catches up.
    void HiddenPanelWaits()
    {
        fPanel->SetLog(kPanelLog);
        fPanel->Refresh();
        const int loads = fPanel->Statistics().FullLoads();
        fPanel->hide();
        fDM->LogAddRecord(Contact("K1ABC", "14:30", "1", "", 2), kPanelLog);
        fPanel->LogChanged();
        QTest::qWait(20);
        QCOMPARE(fPanel->Statistics().Engine().Contacts(), 0);
        fPanel->show();
        QCOMPARE(Text("lblContacts"), QStringLiteral("1"));
        QCOMPARE(fPanel->Statistics().FullLoads(), loads);
    }

    // The charts hold the figures: contacts per hour with the cumulative score, modes, QTHs with the
    // top 15 and the others.
    void Charts()
    {
        QList<tLogRecord> log;
        for (int i = 0; i < 20; ++i) {
            // Two contacts at 12:xx, none at 13:xx, the rest at 14:xx; QTH 0 to 17 once, "TX" three times.
            const QString time =
                i < 2 ? QStringLiteral("12:%1").arg(i + 10) : QStringLiteral("14:%1").arg(i + 10);
            const QString qth =
                i < 17 ? QStringLiteral("Country %1").arg(i, 2, 10, QChar('0')) : QStringLiteral("TX");
            log << Contact(QStringLiteral("K%1").arg(i), time, "1", "", 1 + i % 2, i % 4 ? "SSB" : "CW", qth);
        }
        fDM->LogAddRecords(log, kPanelLog);
        fPanel->SetLog(kPanelLog);
        fPanel->Refresh();
        auto* tabs = fPanel->findChild<QTabWidget*>("tabCharts");

        TStatsChartView* hours = fPanel->ChartView(TStatsChart::Hours);
        QCOMPARE(tabs->currentWidget(), hours);
        QCOMPARE(hours->BarValues(), (QList<qreal>{2, 0, 18}));
        // Points 1, 2, 1, 2...: 3 in the first hour, 30 in all.
        QCOMPARE(hours->LinePoints(), (QList<QPointF>{{0, 3}, {1, 3}, {2, 30}}));
        QVERIFY(!hours->Categories().isEmpty());

        tabs->setCurrentWidget(fPanel->ChartView(TStatsChart::Modes));
        TStatsChartView* modes = fPanel->ChartView(TStatsChart::Modes);
        QCOMPARE(modes->Categories(), (QStringList{"SSB: 15 (75%)", "CW: 5 (25%)"}));

        tabs->setCurrentWidget(fPanel->ChartView(TStatsChart::Qth));
        TStatsChartView* qth = fPanel->ChartView(TStatsChart::Qth);
        const QStringList categories = qth->Categories();
        QCOMPARE(categories.size(), 16);
        QCOMPARE(categories.first(), QStringLiteral("Other"));
        QCOMPARE(categories.last(), QStringLiteral("TX"));
        QCOMPARE(qth->BarValues().first(), 3.0); // Country 14, 15 and 16
        QCOMPARE(qth->BarValues().last(), 3.0);

        // A chart out of view is brought up to date when it comes into view.
        fDM->LogAddRecord(Contact("W1AW", "15:01", "1", "", 2, "FM", "TX"), kPanelLog);
        fPanel->LogChanged();
        fPanel->Refresh();
        QCOMPARE(qth->BarValues().last(), 4.0);
        QCOMPARE(hours->BarValues(), (QList<qreal>{2, 0, 18}));
        tabs->setCurrentWidget(hours);
        QCOMPARE(hours->BarValues(), (QList<qreal>{2, 0, 18, 1}));
    }

    // A chart too short to name 15 QTHs names those it can, the ones with the most contacts, and counts
    // the rest in "Other"; made tall again, it names all 15.
    void ShortQthChartNamesWhatFits()
    {
        TStatsEngine engine;
        int total = 0;
        for (int i = 0; i < 20; ++i) {
            // States SB, SC, SE...; countries DX 0, DX 3...; the first with the most contacts.
            const QByteArray qth = i % 3 ? QByteArray("S") + char('A' + i) : "DX " + QByteArray::number(i);
            for (int n = 0; n < 30 - i; ++n, ++total) {
                engine.Add(ContactMinute("2024-02-03", "12:00"), 1, "SSB", qth);
            }
        }
        TStatsChartView view(TStatsChart::Qth);
        view.resize(440, 260);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.ShowFigures(engine);
        const auto sum = [](const QList<qreal>& values) {
            return std::accumulate(values.begin(), values.end(), 0.0);
        };
        const int line = QFontMetrics(view.chart()->axes(Qt::Vertical).first()->labelsFont()).height();
        QTRY_VERIFY(view.Categories().size() * line <= view.chart()->plotArea().height());
        QVERIFY(view.Categories().size() >= 4);
        QVERIFY(view.Categories().size() < 16);
        QCOMPARE(view.Categories().first(), QStringLiteral("Other"));
        QCOMPARE(view.Categories().last(), QStringLiteral("DX 0"));
        QCOMPARE(sum(view.BarValues()), double(total));

        view.resize(1000, 700);
        QTRY_COMPARE(view.Categories().size(), 16);
        QCOMPARE(view.Categories().at(1), QStringLiteral("SO"));
        QCOMPARE(view.BarValues().first(), 30.0 - 15 + 30 - 16 + 30 - 17 + 30 - 18 + 30 - 19);
        QCOMPARE(sum(view.BarValues()), double(total));
    }

    // At most the last 72 hours are drawn; the score line still counts the points before them.
    void LongLogShowsItsLastHours()
    {
        QList<tLogRecord> log;
        for (int day = 1; day <= 5; ++day) {
            tLogRecord rec = Contact(QStringLiteral("K%1").arg(day), "12:00", "1", "", 10);
            rec.date = QStringLiteral("2024-02-0%1").arg(day);
            log << rec;
        }
        fDM->LogAddRecords(log, kPanelLog);
        fPanel->SetLog(kPanelLog);
        fPanel->Refresh();
        TStatsChartView* hours = fPanel->ChartView(TStatsChart::Hours);
        QCOMPARE(hours->HoursShown(), 72);
        const QList<QPointF> line = hours->LinePoints();
        QCOMPARE(line.first().y(), 20.0); // days 1 and 2 before the hours shown, day 3 at 12:00 not yet
        QCOMPARE(line.last().y(), 50.0);
        QCOMPARE(hours->chart()->title(), QStringLiteral("Contacts per UTC hour (the last 72 hours)"));
    }

    // "Save Chart As…" asks for a file and writes the chart as a PNG image; a name without the ending
    // gets it, so no other file (such as the log database) is ever replaced.
    void SaveChartAs()
    {
        fDM->LogAddRecord(Contact("K1ABC", "14:30", "1", "", 2), kPanelLog);
        fPanel->SetLog(kPanelLog);
        fPanel->Refresh();
        TStatsChartView* view = fPanel->ChartView(TStatsChart::Modes);
        QAction* save = view->findChild<QAction*>("actSaveChart");
        QVERIFY(save);
        QCOMPARE(save->text(), QStringLiteral("Save Chart As…"));

        const QString path = fHome->Root() + QStringLiteral("/modes");
        fPrompts.AnswerSaveFile(path);
        save->trigger();
        QCOMPARE(fPrompts.Records().last().caption, QStringLiteral("Save Chart As"));
        QCOMPARE(fPrompts.Records().last().value, fHome->Work() + kPanelLog + QStringLiteral("_modes.png"));
        QImageReader reader(path + QStringLiteral(".png"));
        QCOMPARE(reader.format(), QByteArray("png"));
        QCOMPARE(reader.size(), QSize(1200, 800));

        // The next picker starts in the folder used last; a database name gets the ending too.
        fPrompts.AnswerSaveFile(fHome->Work() + QStringLiteral("logs.db"));
        save->trigger();
        QCOMPARE(fPrompts.Records().last().value,
                 fHome->Root() + '/' + kPanelLog + QStringLiteral("_modes.png"));
        QVERIFY(QFile::exists(fHome->Work() + QStringLiteral("logs.db.png")));
        QCOMPARE(fDM->LogCounts(kPanelLog).total, 1);

        // Cancelled: nothing written, nothing said.
        fPrompts.AnswerSaveFile(QString());
        save->trigger();
        QVERIFY(fPrompts.Messages().isEmpty());

        // A folder that is not there: the error is shown.
        fPrompts.AnswerSaveFile(fHome->Root() + QStringLiteral("/gone/chart.png"));
        fPrompts.AnswerMessage(MsgButton::OK);
        save->trigger();
        QCOMPARE(fPrompts.Messages().size(), 1);
        QVERIFY2(fPrompts.Messages().first().contains(QStringLiteral("chart.png")),
                 qPrintable(fPrompts.Messages().first()));
        QCOMPARE(fPrompts.Records().last().kind, MsgKind::Error);
        QCOMPARE(fPrompts.Pending(), 0);
    }

    // The context menu opens from the keyboard too and offers the save action.
    void ContextMenuFromKeyboard()
    {
        TStatsChartView* view = fPanel->ChartView(TStatsChart::Hours);
        fPanel->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fPanel.get()));
        view->setFocus();
        QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier);
        QMenu* menu = view->findChild<QMenu*>("mnuChart");
        QVERIFY(menu);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions().first()->text(), QStringLiteral("Save Chart As…"));
        menu->close();
    }

    // The charts take the colours of the theme, dark ones included, when the theme changes.
    void ChartsFollowTheTheme()
    {
        for (const QString& theme :
             {QStringLiteral("Night"), QStringLiteral("Sky"), QStringLiteral("Red Night")}) {
            QApplication::setPalette(Themes::Palette(theme));
            const QPalette palette = Themes::Palette(theme);
            for (const TStatsChart chart : {TStatsChart::Hours, TStatsChart::Modes, TStatsChart::Qth}) {
                QChart* c = fPanel->ChartView(chart)->chart();
                QTRY_COMPARE(c->backgroundBrush().color(), palette.color(QPalette::Window));
                QCOMPARE(c->plotAreaBackgroundBrush().color(), palette.color(QPalette::Base));
                QCOMPARE(c->titleBrush().color(), palette.color(QPalette::WindowText));
            }
        }
    }

    // The figures get the height they need above the charts, also once the list of off-times appears;
    // a narrow, short dock stacks them and scrolls them, leaving the charts at least half of the panel;
    // a splitter moved by the operator stays where it was put.
    void FiguresFitAboveTheCharts()
    {
        for (const char* time : {"10:00", "11:00", "12:00", "13:00"}) {
            fDM->LogAddRecord(Contact("K1ABC", time, "1", "", 2), kPanelLog);
        }
        auto* scroll = fPanel->findChild<QScrollArea*>("scrFigures");
        auto* tabs = fPanel->findChild<QTabWidget*>("tabCharts");
        auto* offTimes = fPanel->findChild<QListWidget*>("lstOffTimes");
        QVERIFY(!offTimes->isVisible());
        fPanel->SetLog(kPanelLog);
        fPanel->Refresh();
        QVERIFY(offTimes->isVisible());
        QTRY_COMPARE(scroll->verticalScrollBar()->maximum(), 0);
        QVERIFY(offTimes->height() >= offTimes->maximumHeight());
        QVERIFY(tabs->height() > fPanel->height() / 2);

        fPanel->resize(440, 500);
        QTRY_VERIFY(fPanel->findChild<QGroupBox*>("grpTime")->y() >
                    fPanel->findChild<QGroupBox*>("grpScore")->y());
        QTRY_VERIFY(scroll->verticalScrollBar()->maximum() > 0);
        QVERIFY(tabs->height() >= fPanel->height() / 2 - 10);

        auto* splitter = qobject_cast<QSplitter*>(tabs->parentWidget());
        QVERIFY(splitter);
        QSplitterHandle* handle = splitter->handle(1);
        QTest::mousePress(handle, Qt::LeftButton);
        QTest::mouseMove(handle, QPoint(handle->width() / 2, -60));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(handle->width() / 2, -60));
        const QList<int> moved = splitter->sizes();
        fDM->LogAddRecord(Contact("K2ABC", "14:00", "1", "", 2), kPanelLog);
        fPanel->LogChanged();
        fPanel->Refresh();
        QCOMPARE(splitter->sizes(), moved);
    }

    // Docked beside a window's work, the panel opens wide enough for its figures: none is cut off and the
    // figures do not scroll sideways.
    void DockOpensWideEnough()
    {
        for (const char* time : {"10:00", "10:20", "11:05", "13:40"}) {
            fDM->LogAddRecord(Contact("K1ABC", time, "1", "", 2), kPanelLog);
        }
        QMainWindow window;
        window.setCentralWidget(new QWidget(&window));
        window.resize(1000, 640);
        auto* dock = new QDockWidget(QStringLiteral("Statistics"), &window);
        auto* panel = new TStatisticsPanel(
            *fDM, *fSettings, fPrompts, [this] { return fNow; }, dock);
        dock->setWidget(panel);
        window.addDockWidget(Qt::RightDockWidgetArea, dock);
        panel->SetLog(kPanelLog);
        panel->Refresh();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(panel->findChild<QScrollArea*>("scrFigures")->viewport()->width() > 0);
        QCoreApplication::processEvents();
        auto* scroll = panel->findChild<QScrollArea*>("scrFigures");
        QCOMPARE(scroll->horizontalScrollBar()->maximum(), 0);
        const QLabel* best = panel->findChild<QLabel*>("lblBestHour");
        QVERIFY2(best->width() >= best->sizeHint().width(), qPrintable(best->text()));
        QVERIFY(window.centralWidget()->width() >= 500);
    }

    // The off-time threshold is a setting, kept when changed in the panel.
    void OffTimeSetting()
    {
        fDM->LogAddRecord(Contact("K1ABC", "12:00", "1", "", 2), kPanelLog);
        fDM->LogAddRecord(Contact("K2ABC", "12:45", "1", "", 2), kPanelLog);
        fPanel->SetLog(kPanelLog);
        fPanel->Refresh();
        auto* threshold = fPanel->findChild<QSpinBox*>("spnOffTime");
        QCOMPARE(threshold->value(), 30);
        QCOMPARE(Text("lblOffTimes"), QStringLiteral("1, 45 min in all"));
        threshold->setValue(45);
        QCOMPARE(Text("lblOffTimes"), QStringLiteral("none"));
        QCOMPARE(Text("lblTimeOn"), QStringLiteral("45 min"));
        QCOMPARE(fSettings->GetSetting(SettingKeys::StatsOffTime, 0), 45);

        TStatisticsPanel again(*fDM, *fSettings, fPrompts, [this] { return fNow; });
        QCOMPARE(again.findChild<QSpinBox*>("spnOffTime")->value(), 45);
    }

    void TextOfFigures()
    {
        QCOMPARE(StatsText::Duration(0), QStringLiteral("0 min"));
        QCOMPARE(StatsText::Duration(59), QStringLiteral("59 min"));
        QCOMPARE(StatsText::Duration(60 * 41 + 5), QStringLiteral("41 h 5 min"));
        QCOMPARE(StatsText::OffTime(
                     {*ContactMinute("2024-02-03", "22:10"), *ContactMinute("2024-02-04", "01:10")}),
                 QStringLiteral("2024-02-03 22:10 – 2024-02-04 01:10 (3 h 0 min)"));
        QCOMPARE(StatsText::Rate(TRate{10, 7}, 10), QStringLiteral("86 per hour"));
        QCOMPARE(StatsText::Rate(TRate{3, 60}, 10), QStringLiteral("3 per hour (3 contacts)"));
        QCOMPARE(StatsText::Rate(TRate{}, 10), QStringLiteral("–"));
    }
};

VANTREL_TEST(TestStatisticsPanel)

#include "tst_StatisticsPanel.moc"
