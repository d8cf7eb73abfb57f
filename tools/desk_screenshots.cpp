// Takes the screenshots of the operator's desk in docs/: the whole screen with the main window filling it,
// a log open with contacts in the recent-contacts list and one being typed. Run it under
// xvfb-run -a -s "-screen 0 1024x768x24" from the build's bin folder (it needs the shipped config.db
// beside it), once as it is, once with QT_SCALE_FACTOR=2 and once with a theme name such as "Night" as the
// third argument: vantrel_desk_screenshots <folder> <file name> [theme].

#include "app/TfrmMain.h"
#include "data/Paths.h"
#include "ui/TVantrelApplication.h"
#include "ui/Themes.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

namespace {

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
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

void Fill(TfrmMain& w, const char* call, const char* name, const char* tenten, const char* state,
          const char* county)
{
    w.findChild<QLineEdit*>(QStringLiteral("txtCallsign"))->setText(QString::fromUtf8(call));
    w.findChild<QLineEdit*>(QStringLiteral("txtName"))->setText(QString::fromUtf8(name));
    w.findChild<QLineEdit*>(QStringLiteral("txtTenTen"))->setText(QString::fromUtf8(tenten));
    if (*state) {
        w.findChild<QComboBox*>(QStringLiteral("cboQTH"))->setEditText(QString::fromUtf8(state));
    }
    w.findChild<QComboBox*>(QStringLiteral("cboCounty"))->setEditText(QString::fromUtf8(county));
}

} // namespace

int main(int argc, char** argv)
{
    TVantrelApplication app(argc, argv);
    const QString out = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".")).absolutePath();
    const QString name = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("desk");
    const QString theme = argc > 3 ? QString::fromLocal8Bit(argv[3]) : Themes::kDefault;
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
        settings.write(QStringLiteral("[Settings]\nGrid=DM42PF\nLastMode=SSB\nTheme=%1\nLeft=0\nTop=0\n"
                                      "Width=4000\nHeight=4000\n")
                           .arg(theme)
                           .toUtf8());
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
    Settle();
    // The first start: no log open yet.
    const QString first = out + QStringLiteral("/") + name + QStringLiteral("-first-start.png");
    if (w.screen()->grabWindow(0).save(first)) {
        std::printf("%s\n", qPrintable(first));
    }
    w.DoOpen();
    auto* list = w.findChild<QListWidget*>(QStringLiteral("ListBox1"));
    list->setCurrentRow(0);
    w.ListBox1Click();
    struct TContact
    {
        const char *call, *name, *tenten, *state, *county;
    };
    const TContact contacts[] = {
        {"K7ABC", "Bob", "61234", "AZ", "Pima"},   {"JA1XYZ", "Taro", "70211", "", ""},
        {"N5QQ", "Jim", "", "TX", "Harris"},       {"G4ABC", "Christopher", "55120", "", ""},
        {"AA4ZZ", "Ann", "", "GA", "Fulton"},      {"WA6LOG", "Sue", "48800", "CA", "Kern"},
        {"KC0DX", "Tom", "33001", "CO", "Denver"}, {"N7HAM", "Pat", "", "OR", "Lane"}};
    for (const TContact& c : contacts) {
        Fill(w, c.call, c.name, c.tenten, c.state, c.county);
        w.DoLog();
    }
    Fill(w, "K7A", "", "", "", "");
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
    w.txtCallsignExit();
    w.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(0);
    Settle();
    const QString lookup = out + QStringLiteral("/") + name + QStringLiteral("-lookup.png");
    if (w.grab().save(lookup)) {
        std::printf("%s\n", qPrintable(lookup));
    }
    w.close();
    return 0;
}
