#pragma once

#include "settings/StationSettings.h"
#include "settings/TStationTests.h"

#include <QDialog>
#include <QMap>
#include <array>

class IPrompts;
class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class TSettings;

// "Station Settings": every link to the station's other programs and every service address in one
// dialog, a page per subject (UDP server, WSJT-X, FLdigi, rig, services). Each value is checked as it is
// typed, with the reason beside its field; OK stores every value in one write of the settings file, and
// only when all of them can be used. Cancel stores nothing. The "Test" buttons try the values typed,
// before anything is stored, and show what they found in the page.
//
// After exec() returns Accepted, Changed() names the links whose values changed: those that are on must
// start again with After()'s values.
class TfrmStationSettings : public QDialog
{
    Q_OBJECT

public:
    TfrmStationSettings(TSettings& settings, IPrompts& prompts, QWidget* parent = nullptr);
    ~TfrmStationSettings() override;

    // Opens the page of a link, its first field in focus.
    void ShowPage(TLink link);
    // Tells the dialog that a link listens on a port now, so that its test does not take the link's own
    // port for one in use (0: not listening).
    void SetListeningPort(TLink link, quint16 port);

    // The values when the dialog opened and, once accepted, the values stored.
    const TStationSettings& Before() const { return fBefore; }
    const TStationSettings& After() const { return fAfter; }
    QList<TLink> Changed() const { return ChangedLinks(fBefore, fAfter); }

    // The values as typed now.
    TStationSettings Values() const;

    TStationTests& Tests() { return fTests; }

    void accept() override;

private:
    QWidget* AddPage(TLink link, const QString& caption, const QString& about, QGridLayout*& grid);
    QLineEdit* AddField(QGridLayout* grid, TStationField field, const QString& caption);
    QCheckBox* AddSwitch(QGridLayout* grid, TStationSwitch sw, const QString& caption);
    QLabel* AddTest(QGridLayout* grid, QPushButton*& button, const QString& caption, const QString& name);
    void ShowReasons();
    void ShowResult(QLabel* label, const TStationTestResult& result);
    void TestServer();
    void TestWsjtx();
    void TestRig();
    void TestServices();
    void BrowseFldigi();

    TSettings& fSettings;
    IPrompts& fPrompts;
    TStationTests fTests;
    TStationSettings fBefore;
    TStationSettings fAfter;
    QTabWidget* fPages = nullptr;
    QMap<TLink, QWidget*> fPageOf;
    std::array<QLineEdit*, kStationFieldCount> fEdits{};
    std::array<QLabel*, kStationFieldCount> fReasons{};
    std::array<QLabel*, kStationFieldCount> fServiceResults{};
    std::array<QCheckBox*, kStationSwitchCount> fSwitches{};
    std::array<quint16, kLinks.size()> fListening{};
    QLabel* lblServerTest = nullptr;
    QLabel* lblWSJTXTest = nullptr;
    QLabel* lblRigTest = nullptr;
    QLabel* lblError = nullptr;
};
