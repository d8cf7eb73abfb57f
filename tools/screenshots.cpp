// Takes the screenshots of docs/: the main window with a log open in every theme, the log window, a
// reference table window and the about box. Run it under xvfb-run -a from the build's bin folder (it needs
// the shipped config.db beside it); the pictures go to the folder given as the first argument.

#include "app/TfrmMain.h"
#include "data/Paths.h"
#include "data/TDBGrid.h"
#include "data/TfrmDatabases.h"
#include "data/TfrmLogTable.h"
#include "ui/TAboutBox.h"
#include "ui/TVantrelApplication.h"
#include "ui/Themes.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

// Answers every prompt with OK and tells about it.
class TQuietPrompts : public TRealPrompts
{
public:
    MsgButton Message(QWidget*, const QString& text, MsgKind, MsgButtons) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return MsgButton::OK;
    }
};

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

void Fill(TfrmMain& w, const char* call, const char* name, const char* tenten, const char* mode,
          const char* state, const char* county)
{
    w.findChild<QLineEdit*>(QStringLiteral("txtCallsign"))->setText(QString::fromUtf8(call));
    w.findChild<QLineEdit*>(QStringLiteral("txtName"))->setText(QString::fromUtf8(name));
    w.findChild<QLineEdit*>(QStringLiteral("txtTenTen"))->setText(QString::fromUtf8(tenten));
    w.findChild<QComboBox*>(QStringLiteral("cboMode"))->setEditText(QString::fromUtf8(mode));
    w.findChild<QComboBox*>(QStringLiteral("cboQTH"))->setEditText(QString::fromUtf8(state));
    w.findChild<QComboBox*>(QStringLiteral("cboCounty"))->setEditText(QString::fromUtf8(county));
}

} // namespace

int main(int argc, char** argv)
{
    TVantrelApplication app(argc, argv);
    const QString out = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".")).absolutePath();
    QDir().mkpath(out);
    QTemporaryDir home;
    const QString work = home.path() + QStringLiteral("/work/");
    qputenv("VANTREL_HOME", QFile::encodeName(work));
    QDir().mkpath(work);
    QFile::copy(Paths::ShippedFile(QStringLiteral("config.db")), work + QStringLiteral("config.db"));
    QFile::setPermissions(work + QStringLiteral("config.db"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile settings(work + QStringLiteral("Vantrel.cfg"));
    if (settings.open(QIODevice::WriteOnly)) {
        settings.write("[Settings]\nGrid=DM42PF\nLastMode=SSB\n");
        settings.close();
    }

    TQuietPrompts prompts;
    TfrmMain w(prompts);
    TMysettings rec;
    rec.TableName = QStringLiteral("W7VNT_2026_Open_Season");
    rec.ContestName = QStringLiteral("Open Season");
    rec.Callsign = QStringLiteral("W7VNT");
    rec.ContestMode = QStringLiteral("SSB");
    w.DM().CreateLog(rec);
    w.show();
    w.DoOpen();
    auto* list = w.findChild<QListWidget*>(QStringLiteral("ListBox1"));
    list->setCurrentRow(0);
    w.ListBox1Click();
    struct TContact
    {
        const char *call, *name, *tenten, *mode, *state, *county;
    };
    const TContact contacts[] = {{"K7ABC", "Bob", "61234", "SSB", "AZ", "Pima"},
                                 {"W1XYZ", "Mary", "70211", "SSB", "MA", "Suffolk"},
                                 {"N5QQ", "Jim", "", "CW", "TX", "Harris"},
                                 {"KB7RT", "Christopher", "55120", "SSB", "AZ", "Maricopa"},
                                 {"AA4ZZ", "Ann", "", "SSB", "GA", "Fulton"},
                                 {"WA6LOG", "Sue", "48800", "FM", "CA", "Kern"},
                                 {"KC0DX", "Tom", "33001", "SSB", "CO", "Denver"},
                                 {"N7HAM", "Pat", "", "SSB", "OR", "Lane"}};
    for (const TContact& c : contacts) {
        Fill(w, c.call, c.name, c.tenten, c.mode, c.state, c.county);
        w.DoLog();
    }
    // A contact being typed: the dupe list shows the calls that begin with it.
    Fill(w, "K7A", "", "", "SSB", "", "");
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
