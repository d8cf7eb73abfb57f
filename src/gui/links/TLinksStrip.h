#pragma once

#include "settings/StationSettings.h"

#include <QString>
#include <QWidget>
#include <array>

class QLabel;

// What a link is doing, as the links strip shows it.
enum class TLinkState
{
    Off,       // not switched on
    Listening, // a listener waiting for datagrams, a file poll running
    Connected, // rigctld or a service answers
    Failing,   // switched on but not working: the reason says why
};

QString LinkStateName(TLinkState state);

// One compact label per link (UDP, WSJT-X, FLdigi, Rig, Lookup) showing its state, for the status bar:
// "Rig: connected". The reason is in the label's tip; a click on a label asks for the link's settings.
// The colours follow the window's palette and keep text readable on it in every theme: green for a link
// at work, red and bold for a failing one.
class TLinksStrip : public QWidget
{
    Q_OBJECT

public:
    explicit TLinksStrip(QWidget* parent = nullptr);

    void SetState(TLink link, TLinkState state, const QString& reason = QString());
    TLinkState State(TLink link) const { return fStates[size_t(link)]; }
    QString Reason(TLink link) const { return fReasons[size_t(link)]; }
    // The label of a link, named "lblLink" followed by its name without the hyphen ("lblLinkWSJTX").
    QLabel* Label(TLink link) const { return fLabels[size_t(link)]; }

signals:
    void LinkClicked(TLink link);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Show(TLink link);

    std::array<QLabel*, kLinks.size()> fLabels{};
    std::array<TLinkState, kLinks.size()> fStates{};
    std::array<QString, kLinks.size()> fReasons;
};
