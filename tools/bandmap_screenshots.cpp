// Takes a screenshot of the band map alone, filling the screen, with spots of every standing over a small
// log: run it under xvfb-run -a -s "-screen 0 1024x768x24" from the build's bin folder (it needs the
// shipped config.db beside it), as it is, with QT_SCALE_FACTOR=2, and with a theme name such as "Night" as
// the third argument: vantrel_bandmap_screenshots <folder> <file name> [theme].

#include "ScreenshotTool.h"
#include "cluster/SpotLine.h"
#include "common/TTestHome.h"
#include "data/EventNames.h"
#include "data/TDM.h"
#include "gui/cluster/TBandMapDock.h"
#include "gui/common/TVantrelApplication.h"
#include "gui/common/Themes.h"

#include <QDir>
#include <QScreen>
#include <QSqlQuery>
#include <QThread>
#include <cstdio>

int main(int argc, char** argv)
{
    TVantrelApplication app(argc, argv);
    const auto [out, name, theme] = ReadShotArgs(argc, argv, QStringLiteral("bandmap"), Themes::kDefault);
    Themes::Apply(theme);
    TTestHome home;
    home.PrepareWorkFolder();

    TDM dm;
    dm.OpenLogs(home.Work() + QStringLiteral("logs.db"));
    dm.OpenConfig(home.Work() + QStringLiteral("config.db"));
    dm.CreateConfig();
    TMysettings log;
    log.TableName = QStringLiteral("K7VTR_2024_Open_Season");
    log.Callsign = QStringLiteral("K7VTR");
    log.ContestName = Events::OpenSeason;
    dm.CreateLog(log);
    QSqlQuery q(dm.conConfig());
    for (const char* member : {"('JA1XYZ', '70211')", "('G4ABC', '55120')", "('KC0DX', '33001')"}) {
        q.exec(QStringLiteral("insert into tenten (callsign, ten) values %1").arg(QLatin1String(member)));
    }
    for (const char* call : {"N5QQ", "G4ABC"}) {
        tLogRecord rec;
        rec.call = QString::fromLatin1(call);
        rec.mode = QStringLiteral("SSB");
        dm.LogAddRecord(rec, log.TableName);
    }

    TBandMapDock map(dm);
    map.SetLog(log.TableName, log.ContestName);
    map.SetEntryMode(QStringLiteral("SSB"));
    for (const char* line : {"DX de KM3T-#:    28018.5  K1ABC          CW    14 dB  22 WPM  CQ      1807Z",
                             "DX de W3OA-#:    28019.2  VE3XYZ         CW     9 dB  25 WPM  CQ      1808Z",
                             "DX de W3LPL:     28024.0  KC0DX        CW 599                         1810Z",
                             "DX de DK9IP-#:   28074.0  JA1XYZ         FT8  -12 dB  CQ             1811Z",
                             "DX de EA5WU:     28074.6  EA5ABC       FT8                            1811Z",
                             "DX de N5QQ:      28350.0  G4ABC        USB loud                       1812Z",
                             "DX de G4ABC:     28400.0  N5QQ         USB 10-10 net                  1812Z",
                             "DX de VK2ABC:    28410.0  ZL2AB        SSB                            1813Z",
                             "DX de W7XX:      28490.0  W7NEW        USB cq 10-10                   1814Z",
                             "DX de K9LC-#:    28200.1  4U1UN/B        CW     3 dB  22 WPM  NCDXF B 1814Z",
                             "DX de W3LPL:     29600.0  K6ABC        FM                             1815Z"}) {
        map.AddSpot(*ParseSpotLine(QByteArray(line)));
    }
    map.SetRigFrequency(28400000);
    map.Refresh();
    map.setFloating(true);
    map.setGeometry(map.screen()->availableGeometry());
    map.show();
    map.View()->setFocus();
    map.View()->Select(6);
    Settle();
    const QString path = out + QStringLiteral("/") + name + QStringLiteral(".png");
    if (!map.screen()->grabWindow(0).save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(path));
    return 0;
}
