// Takes the screenshots of docs/: the main window with a log open in every theme, the log window, a
// reference table window and the about box. Run it under xvfb-run -a from the build's bin folder (it needs
// the shipped config.db beside it); the pictures go to the folder given as the first argument.

#include "DemoLog.h"
#include "common/TQuietPrompts.h"
#include "common/TTestHome.h"
#include "gui/app/TfrmMain.h"
#include "gui/common/TAboutBox.h"
#include "gui/common/TVantrelApplication.h"
#include "gui/common/Themes.h"
#include "gui/data/TDBGrid.h"
#include "gui/data/TfrmDatabases.h"
#include "gui/data/TfrmLogTable.h"

#include <QDir>
#include <cstdio>

namespace {

void Settle()
{
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
    }
}

void Save(QWidget* widget, const QString& path)
{
    Settle();
    if (!widget->grab().save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    } else {
        std::printf("%s\n", qPrintable(path));
    }
}

} // namespace

int main(int argc, char** argv)
{
    TVantrelApplication app(argc, argv);
    const QString out = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".")).absolutePath();
    QDir().mkpath(out);
    TTestHome home;
    home.PrepareWorkFolder();
    home.WriteSettings({QStringLiteral("Grid=DM42PF"), QStringLiteral("LastMode=SSB")});

    TQuietPrompts prompts;
    TfrmMain w(prompts);
    const TMysettings rec = DemoLog::Create(w);
    w.show();
    DemoLog::SelectFirst(w);
    DemoLog::LogAll(w, {{"K7ABC", "Bob", "61234", "SSB", "AZ", "Pima"},
                        {"W1XYZ", "Mary", "70211", "SSB", "MA", "Suffolk"},
                        {"N5QQ", "Jim", "", "CW", "TX", "Harris"},
                        {"KB7RT", "Christopher", "55120", "SSB", "AZ", "Maricopa"},
                        {"AA4ZZ", "Ann", "", "SSB", "GA", "Fulton"},
                        {"WA6LOG", "Sue", "48800", "FM", "CA", "Kern"},
                        {"KC0DX", "Tom", "33001", "SSB", "CO", "Denver"},
                        {"N7HAM", "Pat", "", "SSB", "OR", "Lane"}});
    // A contact being typed: the dupe list shows the calls that begin with it.
    DemoLog::Fill(w, {"K7A", "", "", "SSB", "", ""});
    Settle();

    for (const QString& theme : Themes::Names()) {
        w.SetTheme(theme);
        QString file = theme.toLower();
        file.replace(' ', '-');
        Save(&w, out + QStringLiteral("/theme-") + file + QStringLiteral(".png"));
    }
    w.SetTheme(QStringLiteral("Sky"));

    {
        TfrmLogTable form(prompts, w.DM(), &w);
        form.Open(rec.TableName);
        form.show();
        form.Grid()->setCurrentIndex(form.Grid()->model()->index(2, 2));
        Save(&form, out + QStringLiteral("/log-window.png"));
        w.SetTheme(QStringLiteral("Night"));
        Save(&form, out + QStringLiteral("/log-window-night.png"));
        w.SetTheme(QStringLiteral("Sky"));
    }
    {
        TfrmDatabases form(prompts, w.DM(), &w);
        form.Open(QStringLiteral("Country"));
        form.show();
        Save(&form, out + QStringLiteral("/reference-window.png"));
    }
    {
        TAboutBox box(prompts, &w);
        box.show();
        Save(&box, out + QStringLiteral("/about-box.png"));
    }
    w.close();
    return 0;
}
