// Takes the screenshots of the manual (data/help/images/) from the real windows, drawn offscreen on a
// fresh work folder: the first-start message, the new-log dialog, logging with the dupe list, and the
// processing dialog.
//   vantrel_helpshots OUTPUT-FOLDER
// Run it from the build's bin/ folder, where config.db and config.sql lie.

#include "gui/app/TfrmMain.h"
#include "gui/common/TRealPrompts.h"
#include "gui/common/TVantrelApplication.h"
#include "gui/process/TfrmProcessLog.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <deque>
#include <functional>

namespace {

QString gOutput;

void Save(QWidget* widget, const QString& name)
{
    const QString path = QDir(gOutput).absoluteFilePath(name);
    if (!widget->grab().save(path)) {
        std::fprintf(stderr, "vantrel_helpshots: cannot write %s\n", qPrintable(path));
    }
}

// Each modal window that opens is handed to the next action in turn.
std::deque<std::function<void(QDialog*)>> gModalActions;

void WatchModals()
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || gModalActions.empty() || dialog->property("shot").toBool()) {
            return;
        }
        dialog->setProperty("shot", true);
        auto action = gModalActions.front();
        gModalActions.pop_front();
        action(dialog);
    });
    timer->start();
}

template <typename T = QWidget> T* Find(QObject* parent, const char* name)
{
    return parent->findChild<T*>(QString::fromLatin1(name));
}

void Type(TfrmMain& window, const QString& call, const QString& name, const QString& tenten,
          const QString& state, const QString& county)
{
    Find<QLineEdit>(&window, "txtCallsign")->setText(call);
    Find<QLineEdit>(&window, "txtName")->setText(name);
    Find<QLineEdit>(&window, "txtTenTen")->setText(tenten);
    Find<QRadioButton>(&window, "rbUS")->click();
    auto* qth = Find<QComboBox>(&window, "cboQTH");
    qth->setCurrentIndex(qth->findText(state));
    emit qth->activated(qth->currentIndex());
    auto* counties = Find<QComboBox>(&window, "cboCounty");
    counties->setCurrentIndex(counties->findText(county));
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("VANTREL_HOME", (home.path() + QStringLiteral("/Vantrel")).toLocal8Bit());
    qputenv("HOME", home.path().toLocal8Bit());
    TVantrelApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vantrel_helpshots OUTPUT-FOLDER\n");
        return 2;
    }
    gOutput = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(gOutput);
    WatchModals();

    // The first start: the new-installation message, then the question for the grid locator.
    gModalActions.push_back([](QDialog* box) {
        Save(box, QStringLiteral("first-start.png"));
        box->accept();
    });
    gModalActions.push_back([](QDialog* dialog) {
        if (auto* input = qobject_cast<QInputDialog*>(dialog)) {
            input->setTextValue(QStringLiteral("FN31PR"));
        }
        Save(dialog, QStringLiteral("grid-locator.png"));
        dialog->accept();
    });
    TRealPrompts prompts;
    TfrmMain window(prompts);
    auto* processLog = new TfrmProcessLog(
        prompts, window.DM(), window.Mysettings(),
        [&window] {
            return TScoreCounters{window.ctx_with(), window.ctx_without(), window.totalpoints()};
        },
        &window);
    window.SetProcessLog(processLog);
    window.show();

    // A new Open Season log.
    gModalActions.push_back([](QDialog* d) {
        Find<QComboBox>(d, "cboContest")->setCurrentText(QStringLiteral("Open Season"));
        Find<QComboBox>(d, "cboMode")->setCurrentText(QStringLiteral("SSB"));
        const std::pair<const char*, const char*> fields[] = {
            {"txtCallArea", "1"},         {"txtChapter", "Nutmeg"},
            {"txtCallSign", "N1VTR"},     {"txtFirstName", "Pat"},
            {"txtLastName", "Lindqvist"}, {"txtAddress", "12 Elm Street"},
            {"txtCity", "Hartford"},      {"txtState", "CT"},
            {"txtZipCode", "06103"},      {"txtEmailAddress", "n1vtr@example.org"},
            {"txtTenTen", "76543"},       {"txtEPC", "1234"}};
        for (const auto& [name, value] : fields) {
            Find<QLineEdit>(d, name)->setText(QString::fromUtf8(value));
        }
        Find<QComboBox>(d, "cboEntry")->setCurrentIndex(0);
        auto* lookup = Find<QComboBox>(d, "cboLookDB");
        lookup->setCurrentIndex(lookup->findText(QStringLiteral("HamcQTH XML")));
        Find<QLineEdit>(d, "txtUserID")->setText(QStringLiteral("n1vtr"));
        Find<QLineEdit>(d, "txtPassword")->setText(QStringLiteral("secret"));
        Save(d, QStringLiteral("new-log.png"));
        Find<QPushButton>(d, "btnOK")->click();
    });
    window.DoNewLog();

    // A few contacts, then a call typed that matches two of them on the Dupes tab.
    Type(window, QStringLiteral("K1ABC"), QStringLiteral("Dana"), QStringLiteral("12345"),
         QStringLiteral("MA"), QStringLiteral("Middlesex"));
    window.DoLog();
    Type(window, QStringLiteral("K1ABD"), QStringLiteral("Lee"), QString(), QStringLiteral("NH"),
         QStringLiteral("Grafton"));
    window.DoLog();
    Type(window, QStringLiteral("W7XYZ"), QStringLiteral("Sam"), QStringLiteral("6789"), QStringLiteral("AZ"),
         QStringLiteral("Pima"));
    window.DoLog();
    Find<QLineEdit>(&window, "txtCallsign")->setText(QStringLiteral("K1AB"));
    Find<QTabWidget>(&window, "PageControl1")->setCurrentIndex(1);
    QCoreApplication::processEvents();
    Save(&window, QStringLiteral("logging.png"));

    // The processing dialog.
    gModalActions.push_back([](QDialog* d) {
        Find<QLineEdit>(d, "txtSoapBox")
            ->setText(QStringLiteral("Good openings to the west in the afternoon."));
        Save(d, QStringLiteral("process.png"));
        d->reject();
    });
    Find<QAction>(&window, "mnuProcessContest")->trigger();
    return 0;
}
