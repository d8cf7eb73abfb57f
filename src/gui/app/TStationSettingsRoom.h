#pragma once

#include "settings/StationSettings.h"

#include <QObject>
#include <optional>

class QAction;
class TLinksStrip;
class TSettings;
class TStationLinks;
class TfrmMain;

// The station settings in the window: Options > Station Settings… (Ctrl+Comma, also without an open log),
// the links strip in the status bar with the state of each link (a click opens the link's page), and the
// links switched on at start. After the dialog stores new values, the links that are on start again with
// them; a link that cannot says why and stays off.
class TStationSettingsRoom : public QObject
{
    Q_OBJECT

public:
    explicit TStationSettingsRoom(TfrmMain& window);

    // At start: each stored value that cannot be used is reported once (a note naming the key and the
    // file), and the links set to switch on at start are switched on unless one of their values is such.
    void StartLinks();
    // The dialog, on the page of a link when one is given; the new values are put to use once stored.
    void Open(std::optional<TLink> page = std::nullopt);

    TLinksStrip* Strip() const { return fStrip; }
    QAction* Action() const { return fAction; }

private:
    // Switches a link off and on again with the values stored now; false (and the link off) when it
    // cannot start.
    void Restart(TLink link);
    bool IsOn(TLink link) const;
    void SetOn(TLink link, bool on);
    void ShowStates();

    TfrmMain& fWindow;
    TStationLinks& fLinks;
    TLinksStrip* fStrip = nullptr;
    QAction* fAction = nullptr;
    // Why a link stayed off at start (a stored value it cannot use), shown until it is switched on.
    std::array<QString, kLinks.size()> fStartProblems;
};
