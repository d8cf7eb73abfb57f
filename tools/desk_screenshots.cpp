// Takes the screenshots of the operator's desk in docs/: the whole screen with the main window filling it,
// a log open with contacts in the recent-contacts list and one being typed. Run it under
// xvfb-run -a -s "-screen 0 1024x768x24" from the build's bin folder (it needs the shipped config.db
// beside it), once as it is, once with QT_SCALE_FACTOR=2 and once with a theme name such as "Night" as the
// third argument: vantrel_desk_screenshots <folder> <file name> [theme].

#include "DemoLog.h"
#include "ScreenshotTool.h"
#include "cluster/SpotLine.h"
#include "common/TQuietPrompts.h"
#include "common/TTestHome.h"
#include "gui/app/TClusterRoom.h"
#include "gui/app/TStatisticsRoom.h"
#include "gui/app/TfrmMain.h"
#include "gui/cluster/TBandMapDock.h"
#include "gui/common/TVantrelApplication.h"
#include "gui/common/Themes.h"

#include <QDir>
#include <QDockWidget>
#include <QLineEdit>
#include <QScreen>
#include <QTabWidget>
#include <QThread>
#include <cstdio>

int main(int argc, char** argv)
{
    TVantrelApplication app(argc, argv);
    const auto [out, name, theme] = ReadShotArgs(argc, argv, QStringLiteral("desk"), Themes::kDefault);
    TTestHome home;
    home.PrepareWorkFolder();
    home.WriteSettings({QStringLiteral("Grid=DM42PF"), QStringLiteral("LastMode=SSB"),
                        QStringLiteral("Theme=") + theme, QStringLiteral("Left=0"), QStringLiteral("Top=0"),
                        QStringLiteral("Width=4000"), QStringLiteral("Height=4000")});

    TQuietPrompts prompts;
    TfrmMain w(prompts);
    DemoLog::Create(w);
    w.show();
    Settle();
    // The first start: no log open yet.
    const QString first = out + QStringLiteral("/") + name + QStringLiteral("-first-start.png");
    if (w.screen()->grabWindow(0).save(first)) {
        std::printf("%s\n", qPrintable(first));
    }
    DemoLog::SelectFirst(w);
    DemoLog::LogAll(w, {{"K7ABC", "Bob", "61234", "", "AZ", "Pima"},
                        {"JA1XYZ", "Taro", "70211", "", "", ""},
                        {"N5QQ", "Jim", "", "", "TX", "Harris"},
                        {"G4ABC", "Christopher", "55120", "", "", ""},
                        {"AA4ZZ", "Ann", "", "", "GA", "Fulton"},
                        {"WA6LOG", "Sue", "48800", "", "CA", "Kern"},
                        {"KC0DX", "Tom", "33001", "", "CO", "Denver"},
                        {"N7HAM", "Pat", "", "", "OR", "Lane"}});
    DemoLog::Fill(w, {"K7A", "", "", "", "", ""});
    w.SetOfflineLogging(true);
    Settle();
    const QString path = out + QStringLiteral("/") + name + QStringLiteral(".png");
    // The whole screen: what lies outside the screen is cut off, what the window shows is all there is.
    if (!w.screen()->grabWindow(0).save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s (window %dx%d on a screen of %dx%d)\n", qPrintable(path), w.frameGeometry().width(),
                w.frameGeometry().height(), w.screen()->geometry().width(), w.screen()->geometry().height());
    // The lookup panel with the country of the call's prefix (no lookup source in this log).
    w.findChild<QLineEdit*>(QStringLiteral("txtCallsign"))->setText(QStringLiteral("JA1ZZZ"));
    w.EntryForm().txtCallsignExit();
    w.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(0);
    Settle();
    const QString lookup = out + QStringLiteral("/") + name + QStringLiteral("-lookup.png");
    if (w.grab().save(lookup)) {
        std::printf("%s\n", qPrintable(lookup));
    }
    // The statistics and the band map docked beside the entry form, with a few spots.
    w.StatisticsRoom().Dock()->show();
    TBandMapDock* map = w.ClusterRoom().BandMap();
    map->show();
    for (const QByteArray& line :
         {QByteArray("DX de W3LPL:     28025.0  W1AW         CW 599              1234Z"),
          QByteArray("DX de K1TTT:     28074.0  JA1XYZ       FT8 -10             1235Z"),
          QByteArray("DX de N2IC:      28450.0  PY2XX        USB 59              1236Z")}) {
        if (const auto spot = ParseSpotLine(line)) {
            map->AddSpot(*spot);
        }
    }
    map->Refresh();
    Settle();
    const QString docks = out + QStringLiteral("/") + name + QStringLiteral("-docks.png");
    if (w.screen()->grabWindow(0).save(docks)) {
        std::printf("%s\n", qPrintable(docks));
    }
    w.close();
    return 0;
}
