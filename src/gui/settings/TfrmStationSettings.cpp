#include "TfrmStationSettings.h"

#include "data/Errors.h"
#include "data/Prompts.h"
#include "data/TSettings.h"
#include "gui/common/Colors.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr std::array kServiceFields{TStationField::RosterServer, TStationField::EpcServer,
                                    TStationField::P070Url, TStationField::QrzUrl, TStationField::HamQthUrl};

// Text in a colour of its own that stays readable on the window behind it.
void Colour(QLabel* label, const QColor& wanted)
{
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, LegibleOn(wanted, colours.color(QPalette::Window), 4.5));
    label->setPalette(colours);
}

QLabel* NoteLabel(const QString& name)
{
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->hide();
    return label;
}

} // namespace

TfrmStationSettings::TfrmStationSettings(TSettings& settings, IPrompts& prompts, QWidget* parent)
    : QDialog(parent), fSettings(settings), fPrompts(prompts), fBefore(ReadStationSettings(settings)),
      fAfter(fBefore)
{
    setObjectName(QStringLiteral("frmStationSettings"));
    setWindowTitle(QStringLiteral("Station Settings"));
    auto* layout = new QVBoxLayout(this);
    fPages = new QTabWidget(this);
    fPages->setObjectName(QStringLiteral("pgStation"));
    layout->addWidget(fPages);

    // Each page's mnemonics leave the letters of the pages' own (U, W, F, R, S) free.
    QGridLayout* grid = nullptr;
    AddPage(TLink::Server, QStringLiteral("&UDP Server"),
            QStringLiteral("Other programs fill the entry form and log contacts by sending datagrams to this "
                           "port, on every address of this computer."),
            grid);
    AddField(grid, TStationField::ServerPort, QStringLiteral("&Port:"));
    AddSwitch(grid, TStationSwitch::ServerAtStart, QStringLiteral("Switch &on at start"));
    QPushButton* btnTestServer = nullptr;
    lblServerTest = AddTest(grid, btnTestServer, QStringLiteral("&Test port"), QStringLiteral("Server"));

    AddPage(TLink::Wsjtx, QStringLiteral("&WSJT-X"),
            QStringLiteral("Contacts logged in WSJT-X or JTDX are logged here: set their UDP server to this "
                           "computer and port. Listening on all addresses lets the computers of the network "
                           "log here too."),
            grid);
    AddField(grid, TStationField::WsjtxPort, QStringLiteral("&Port:"));
    AddField(grid, TStationField::WsjtxGroup, QStringLiteral("Multicast &group:"));
    AddSwitch(grid, TStationSwitch::WsjtxAllAddresses, QStringLiteral("Listen on &all addresses"));
    AddSwitch(grid, TStationSwitch::WsjtxAtStart, QStringLiteral("Switch &on at start"));
    QPushButton* btnTestWsjtx = nullptr;
    lblWSJTXTest = AddTest(grid, btnTestWsjtx, QStringLiteral("&Test port"), QStringLiteral("WSJTX"));

    AddPage(TLink::Fldigi, QStringLiteral("&FLdigi"),
            QStringLiteral("FLdigi writes each contact it logs into a temporary ADIF file, which is read at "
                           "every interval."),
            grid);
    AddField(grid, TStationField::FldigiFile, QStringLiteral("Log fil&e:"));
    auto* btnBrowse = new QPushButton(QStringLiteral("&Browse..."));
    btnBrowse->setObjectName(QStringLiteral("btnFldigiBrowse"));
    grid->addWidget(btnBrowse, grid->rowCount() - 2, 2);
    AddField(grid, TStationField::FldigiInterval, QStringLiteral("I&nterval (ms):"));
    AddSwitch(grid, TStationSwitch::FldigiAutoLog, QStringLiteral("&Log contacts without the entry form"));
    AddSwitch(grid, TStationSwitch::FldigiAtStart, QStringLiteral("Switch &on at start"));

    AddPage(TLink::Rig, QStringLiteral("&Rig"),
            QStringLiteral("The frequency and mode are read from Hamlib's rigctld (rigctld -m <model> -r "
                           "<port>)."),
            grid);
    AddField(grid, TStationField::RigHost, QStringLiteral("&Host:"));
    AddField(grid, TStationField::RigPort, QStringLiteral("&Port:"));
    AddSwitch(grid, TStationSwitch::RigAtStart, QStringLiteral("Switch &on at start"));
    QPushButton* btnTestRig = nullptr;
    lblRigTest = AddTest(grid, btnTestRig, QStringLiteral("&Test rigctld"), QStringLiteral("Rig"));

    AddPage(
        TLink::Lookup, QStringLiteral("&Services"),
        QStringLiteral("The roster addresses start empty: set them to the clubs' published addresses. The "
                       "user names and passwords of QRZ and HamQTH are set with each log."),
        grid);
    const std::array captions{QStringLiteral("Ten-Ten roster ser&ver:"), QStringLiteral("&EPC server:"),
                              QStringLiteral("&070 roster address:"), QStringLiteral("&QRZ XML address:"),
                              QStringLiteral("&HamQTH XML address:")};
    for (size_t i = 0; i < kServiceFields.size(); ++i) {
        const TStationField field = kServiceFields[i];
        AddField(grid, field, captions[i]);
        QLabel* result = NoteLabel(QStringLiteral("lbl%1Test").arg(FieldKey(field)));
        grid->addWidget(result, grid->rowCount(), 1, 1, 2);
        fServiceResults[size_t(field)] = result;
    }
    QPushButton* btnTestServices = nullptr;
    AddTest(grid, btnTestServices, QStringLiteral("&Test addresses"), QStringLiteral("Services"));

    lblError = NoteLabel(QStringLiteral("lblError"));
    layout->addWidget(lblError);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("btnsStation"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    layout->addWidget(buttons);

    for (int f = 0; f < kStationFieldCount; ++f) {
        fEdits[size_t(f)]->setText(fBefore.text[size_t(f)]);
        connect(fEdits[size_t(f)], &QLineEdit::textChanged, this, &TfrmStationSettings::ShowReasons);
    }
    for (int s = 0; s < kStationSwitchCount; ++s) {
        fSwitches[size_t(s)]->setChecked(fBefore.switches[size_t(s)]);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmStationSettings::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmStationSettings::reject);
    connect(btnTestServer, &QPushButton::clicked, this, &TfrmStationSettings::TestServer);
    connect(btnTestWsjtx, &QPushButton::clicked, this, &TfrmStationSettings::TestWsjtx);
    connect(btnTestRig, &QPushButton::clicked, this, &TfrmStationSettings::TestRig);
    connect(btnTestServices, &QPushButton::clicked, this, &TfrmStationSettings::TestServices);
    connect(btnBrowse, &QPushButton::clicked, this, &TfrmStationSettings::BrowseFldigi);
    connect(&fTests, &TStationTests::RigTested, this,
            [this](const TStationTestResult& result) { ShowResult(lblRigTest, result); });
    connect(&fTests, &TStationTests::ServiceTested, this,
            [this](TStationField field, const TStationTestResult& result) {
                ShowResult(fServiceResults[size_t(field)], result);
            });
    // A value written by hand that cannot be used shows its reason from the start.
    ShowReasons();
    // Room for an address and a reason on few lines; a smaller screen makes it smaller.
    resize(std::max(width(), 560), sizeHint().height());
    ShowPage(TLink::Server);
}

TfrmStationSettings::~TfrmStationSettings() = default;

QWidget* TfrmStationSettings::AddPage(TLink link, const QString& caption, const QString& about,
                                      QGridLayout*& grid)
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("page") + LinkName(link).remove('-'));
    auto* layout = new QVBoxLayout(page);
    auto* lblAbout = new QLabel(about);
    lblAbout->setWordWrap(true);
    lblAbout->setTextFormat(Qt::PlainText);
    layout->addWidget(lblAbout);
    grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addStretch(1);
    fPages->addTab(page, caption);
    fPageOf.insert(link, page);
    return page;
}

QLineEdit* TfrmStationSettings::AddField(QGridLayout* grid, TStationField field, const QString& caption)
{
    const int row = grid->rowCount();
    auto* label = new QLabel(caption);
    auto* edit = new QLineEdit;
    edit->setObjectName(QStringLiteral("txt") + FieldKey(field));
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    QLabel* reason = NoteLabel(QStringLiteral("lbl%1Reason").arg(FieldKey(field)));
    grid->addWidget(reason, row + 1, 1, 1, 2);
    fEdits[size_t(field)] = edit;
    fReasons[size_t(field)] = reason;
    return edit;
}

QCheckBox* TfrmStationSettings::AddSwitch(QGridLayout* grid, TStationSwitch sw, const QString& caption)
{
    auto* box = new QCheckBox(caption);
    box->setObjectName(QStringLiteral("cb") + SwitchKey(sw));
    grid->addWidget(box, grid->rowCount(), 1, 1, 2);
    fSwitches[size_t(sw)] = box;
    return box;
}

QLabel* TfrmStationSettings::AddTest(QGridLayout* grid, QPushButton*& button, const QString& caption,
                                     const QString& name)
{
    const int row = grid->rowCount();
    button = new QPushButton(caption);
    button->setObjectName(QStringLiteral("btnTest") + name);
    grid->addWidget(button, row, 1, Qt::AlignLeft);
    QLabel* result = NoteLabel(QStringLiteral("lbl%1Test").arg(name));
    grid->addWidget(result, row + 1, 1, 1, 2);
    return result;
}

TStationSettings TfrmStationSettings::Values() const
{
    TStationSettings values;
    for (int f = 0; f < kStationFieldCount; ++f) {
        values.text[size_t(f)] = fEdits[size_t(f)]->text();
    }
    for (int s = 0; s < kStationSwitchCount; ++s) {
        values.switches[size_t(s)] = fSwitches[size_t(s)]->isChecked();
    }
    return values;
}

void TfrmStationSettings::ShowReasons()
{
    const auto reasons = CheckStationSettings(Values());
    for (int f = 0; f < kStationFieldCount; ++f) {
        QLabel* label = fReasons[size_t(f)];
        const QString reason = reasons.value(TStationField(f));
        label->setText(reason);
        label->setVisible(!reason.isEmpty());
        Colour(label, QColor(200, 0, 0));
    }
}

void TfrmStationSettings::ShowResult(QLabel* label, const TStationTestResult& result)
{
    label->setText(result.text);
    label->show();
    Colour(label, result.ok ? QColor(0, 128, 0) : QColor(200, 0, 0));
}

void TfrmStationSettings::ShowPage(TLink link)
{
    QWidget* page = fPageOf.value(link);
    fPages->setCurrentWidget(page);
    if (QWidget* first = page->findChild<QLineEdit*>()) {
        first->setFocus(Qt::OtherFocusReason);
    }
}

void TfrmStationSettings::SetListeningPort(TLink link, quint16 port)
{
    fListening[size_t(link)] = port;
}

void TfrmStationSettings::accept()
{
    const TStationSettings values = Values();
    const auto reasons = CheckStationSettings(values);
    ShowReasons();
    if (!reasons.isEmpty()) {
        // The first value to correct, on its page: one the operator changed before one that was there
        // (of two links on one port, the one just typed).
        TStationField first = reasons.firstKey();
        for (auto it = reasons.cbegin(); it != reasons.cend(); ++it) {
            if (values[it.key()] != fBefore[it.key()]) {
                first = it.key();
                break;
            }
        }
        fPages->setCurrentWidget(fPageOf.value(LinkOf(first)));
        fEdits[size_t(first)]->setFocus(Qt::OtherFocusReason);
        fEdits[size_t(first)]->selectAll();
        lblError->setText(
            reasons.size() == 1
                ? QStringLiteral("One value cannot be used: nothing is stored until it is corrected.")
                : QStringLiteral("%1 values cannot be used: nothing is stored until they are "
                                 "corrected.")
                      .arg(reasons.size()));
        lblError->show();
        Colour(lblError, QColor(200, 0, 0));
        return;
    }
    try {
        SaveStationSettings(fSettings, values);
    } catch (const EVantrel& e) {
        lblError->setText(e.Message());
        lblError->show();
        Colour(lblError, QColor(200, 0, 0));
        return;
    }
    fAfter = values;
    QDialog::accept();
}

void TfrmStationSettings::TestServer()
{
    const QString text = fEdits[size_t(TStationField::ServerPort)]->text();
    if (const QString reason = CheckPort(text); !reason.isEmpty()) {
        ShowResult(lblServerTest, {false, reason});
        return;
    }
    const auto port = quint16(text.trimmed().toInt());
    if (port == fListening[size_t(TLink::Server)]) {
        ShowResult(lblServerTest,
                   {true, QStringLiteral("The logging server listens on port %1 now.").arg(port)});
        return;
    }
    ShowResult(lblServerTest, TStationTests::TestServerPort(port));
}

void TfrmStationSettings::TestWsjtx()
{
    const QString text = fEdits[size_t(TStationField::WsjtxPort)]->text();
    const QString group = fEdits[size_t(TStationField::WsjtxGroup)]->text();
    QString reason = CheckPort(text);
    if (reason.isEmpty()) {
        reason = CheckMulticastGroup(group);
    }
    if (!reason.isEmpty()) {
        ShowResult(lblWSJTXTest, {false, reason});
        return;
    }
    const auto port = quint16(text.trimmed().toInt());
    if (port == fListening[size_t(TLink::Wsjtx)]) {
        ShowResult(lblWSJTXTest, {true, QStringLiteral("WSJT-X logging listens on port %1 now.").arg(port)});
        return;
    }
    ShowResult(lblWSJTXTest,
               TStationTests::TestWsjtxPort(
                   port, group, fSwitches[size_t(TStationSwitch::WsjtxAllAddresses)]->isChecked()));
}

void TfrmStationSettings::TestRig()
{
    const QString host = fEdits[size_t(TStationField::RigHost)]->text();
    const QString port = fEdits[size_t(TStationField::RigPort)]->text();
    QString reason = CheckHost(host);
    if (reason.isEmpty()) {
        reason = CheckPort(port);
    }
    if (!reason.isEmpty()) {
        ShowResult(lblRigTest, {false, reason});
        return;
    }
    lblRigTest->setText(QStringLiteral("Asking rigctld for the frequency..."));
    lblRigTest->show();
    Colour(lblRigTest, palette().color(QPalette::WindowText));
    fTests.TestRig(host, quint16(port.trimmed().toInt()));
}

void TfrmStationSettings::TestServices()
{
    for (const TStationField field : kServiceFields) {
        QLabel* result = fServiceResults[size_t(field)];
        const QString text = fEdits[size_t(field)]->text();
        if (text.trimmed().isEmpty()) {
            ShowResult(result, {false, QStringLiteral("Not set.")});
            continue;
        }
        if (const QString reason = CheckServiceAddress(field, text); !reason.isEmpty()) {
            ShowResult(result, {false, reason});
            continue;
        }
        result->setText(
            QStringLiteral("Asking %1...").arg(TStationTests::ServiceTestUrl(field, text).host()));
        result->show();
        Colour(result, palette().color(QPalette::WindowText));
        fTests.TestService(field, TStationTests::ServiceTestUrl(field, text));
    }
}

void TfrmStationSettings::BrowseFldigi()
{
    QLineEdit* edit = fEdits[size_t(TStationField::FldigiFile)];
    const QString picked = fPrompts.OpenFile(
        this, QStringLiteral("FLdigi Temporary Logfile"), QFileInfo(edit->text()).absolutePath(),
        QStringLiteral("ADIF files|*.adif;*.adi|Text files|*.txt|All files|*"));
    if (!picked.isEmpty()) {
        edit->setText(picked);
    }
    edit->setFocus(Qt::OtherFocusReason);
}
