// Takes the screenshots of the station settings dialog in docs/: the whole screen with the dialog on it,
// one picture per page. Run it under xvfb-run -a -s "-screen 0 1024x768x24", once as it is, once with
// QT_SCALE_FACTOR=2 and once with a theme name such as "Night":
// vantrel_settings_screenshots <folder> <file name prefix> [theme].

#include "ScreenshotTool.h"
#include "common/TQuietPrompts.h"
#include "common/TTestHome.h"
#include "data/Paths.h"
#include "data/TSettings.h"
#include "gui/common/TVantrelApplication.h"
#include "gui/common/Themes.h"
#include "gui/common/WindowFit.h"
#include "gui/settings/TfrmStationSettings.h"

#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QThread>
#include <cstdio>

int main(int argc, char** argv)
{
    TVantrelApplication app(argc, argv);
    const auto [out, name, theme] = ReadShotArgs(argc, argv, QStringLiteral("station"), Themes::kDefault);
    TTestHome home;
    // A station with a few links set, and a group typed by hand that is no multicast address.
    home.WriteSettings({QStringLiteral("Grid=DM42PF"), QStringLiteral("WSJTXGroup=239.255.0.300"),
                        QStringLiteral("RigHost=shack-pc.local"), QStringLiteral("RigAtStart=1"),
                        QStringLiteral("RosterServer=https://roster.example.org")});
    Themes::Apply(theme);
    // As in the program: every window fits the screen it opens on.
    WindowFit::Install();
    TSettings settings(Paths::WorkFolder() + QStringLiteral("Vantrel.cfg"));
    TQuietPrompts prompts;
    TfrmStationSettings dialog(settings, prompts);
    dialog.show();
    Settle();
    dialog.findChild<QPushButton*>(QStringLiteral("btnTestServer"))->click();
    const auto pages = dialog.findChild<QTabWidget*>(QStringLiteral("pgStation"));
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        Settle();
        const QString path =
            out + QStringLiteral("/%1-%2.png").arg(name, pages->widget(i)->objectName().mid(4).toLower());
        if (!dialog.screen()->grabWindow(0).save(path)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s (dialog %dx%d on a screen of %dx%d)\n", qPrintable(path),
                    dialog.frameGeometry().width(), dialog.frameGeometry().height(),
                    dialog.screen()->geometry().width(), dialog.screen()->geometry().height());
    }
    return 0;
}
