#include "TStationSettingsRoom.h"

#include "TStationLinksRoom.h"
#include "TfrmMain.h"
#include "app/TStationLinks.h"
#include "data/Errors.h"
#include "data/Prompts.h"
#include "feeds/TLoggingServer.h"
#include "feeds/TRigControl.h"
#include "feeds/TWsjtxListener.h"
#include "gui/links/TLinksStrip.h"
#include "gui/settings/TfrmStationSettings.h"

#include <QAction>
#include <QLayout>
#include <QMenu>

TStationSettingsRoom::TStationSettingsRoom(TfrmMain& window)
    : QObject(&window), fWindow(window), fLinks(window.StationLinks())
{
    fStrip = new TLinksStrip(window.StatusPanel());
    fStrip->setObjectName(QStringLiteral("stripLinks"));
    window.StatusPanel()->layout()->addWidget(fStrip);
    connect(fStrip, &TLinksStrip::LinkClicked, this,
            [this](TLink link) { RunGuarded(fWindow.Prompts(), &fWindow, [&] { Open(link); }); });

    fAction = new QAction(QStringLiteral("S&tation Settings…"), &window);
    fAction->setObjectName(QStringLiteral("mnuStationSettings"));
    fAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    // Links and services are set before any log exists.
    fAction->setProperty("withoutLog", true);
    QMenu* options = window.MenuNamed(QStringLiteral("mnuOptions"));
    options->addSeparator();
    options->addAction(fAction);
    options->setEnabled(true);
    connect(fAction, &QAction::triggered, this,
            [this] { RunGuarded(fWindow.Prompts(), &fWindow, [&] { Open(); }); });

    connect(&window, &TfrmMain::LinksChanged, this, &TStationSettingsRoom::ShowStates);
    connect(&fLinks.RigControl(), &TRigControl::StateChanged, this, &TStationSettingsRoom::ShowStates);
    ShowStates();
}

void TStationSettingsRoom::StartLinks()
{
    TSettings& settings = fWindow.Settings();
    const TStationSettings values = ReadStationSettings(settings);
    const QList<TStationProblem> problems = StationProblems(values, settings.Path());
    for (const TStationProblem& problem : problems) {
        fWindow.StationLinksRoom().ShowNote(problem.text);
        QString& reason = fStartProblems[size_t(problem.link)];
        reason += (reason.isEmpty() ? QString() : QStringLiteral("\n")) + problem.text;
    }
    for (const TLink link : kLinks) {
        if (!HasStartSwitch(link) || !values[StartSwitch(link)] || !LinkUsable(link, problems)) {
            continue;
        }
        try {
            SetOn(link, true);
        } catch (const EVantrel& e) {
            fStartProblems[size_t(link)] = e.Message();
            fWindow.StationLinksRoom().ShowNote(
                QStringLiteral("%1 was not switched on at start: %2").arg(LinkName(link), e.Message()));
        }
    }
    ShowStates();
}

void TStationSettingsRoom::Open(std::optional<TLink> page)
{
    TfrmStationSettings dialog(fWindow.Settings(), fWindow.Prompts(), &fWindow);
    if (IsOn(TLink::Server)) {
        dialog.SetListeningPort(TLink::Server, quint16(fLinks.ServerPort()));
    }
    if (IsOn(TLink::Wsjtx)) {
        dialog.SetListeningPort(TLink::Wsjtx, fLinks.WSJTXListener().LocalPort());
    }
    if (page) {
        dialog.ShowPage(*page);
    }
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    fLinks.ReadSettings();
    for (const TLink link : dialog.Changed()) {
        // Values that were wrong at start may be right now.
        fStartProblems[size_t(link)].clear();
        if (HasStartSwitch(link) && IsOn(link)) {
            Restart(link);
        }
    }
    ShowStates();
}

void TStationSettingsRoom::Restart(TLink link)
{
    try {
        SetOn(link, false);
        SetOn(link, true);
    } catch (const EVantrel& e) {
        RunGuarded(fWindow.Prompts(), &fWindow, [&] { SetOn(link, false); });
        fStartProblems[size_t(link)] = e.Message();
        ShowCenteredMessage(fWindow.Prompts(), &fWindow,
                            QStringLiteral("%1 could not start again with the new values and is off: %2")
                                .arg(LinkName(link), e.Message()),
                            MsgKind::Error, MsgButton::OK);
    }
}

bool TStationSettingsRoom::IsOn(TLink link) const
{
    switch (link) {
    case TLink::Server:
        return fLinks.ServerEnable();
    case TLink::Wsjtx:
        return fLinks.WSJTXEnable();
    case TLink::Fldigi:
        return fLinks.FLDigiEnable();
    case TLink::Rig:
        return fLinks.RigControlEnable();
    case TLink::Lookup:
        break;
    }
    return fWindow.UseAutoLook();
}

void TStationSettingsRoom::SetOn(TLink link, bool on)
{
    switch (link) {
    case TLink::Server:
        fLinks.SetServerEnable(on);
        break;
    case TLink::Wsjtx:
        fLinks.SetWSJTXEnable(on);
        break;
    case TLink::Fldigi:
        fLinks.SetFLDigiEnable(on);
        break;
    case TLink::Rig:
        fLinks.SetRigControlEnable(on);
        break;
    case TLink::Lookup:
        break;
    }
}

void TStationSettingsRoom::ShowStates()
{
    for (const TLink link : kLinks) {
        if (IsOn(link)) {
            fStartProblems[size_t(link)].clear();
        }
    }
    const auto offState = [this](TLink link) {
        fStrip->SetState(link, TLinkState::Off, fStartProblems[size_t(link)]);
    };
    if (IsOn(TLink::Server)) {
        fStrip->SetState(TLink::Server, TLinkState::Listening,
                         QStringLiteral("UDP port %1").arg(fLinks.Server().LocalPort()));
    } else {
        offState(TLink::Server);
    }
    if (IsOn(TLink::Wsjtx)) {
        fStrip->SetState(TLink::Wsjtx, TLinkState::Listening,
                         QStringLiteral("UDP port %1").arg(fLinks.WSJTXListener().LocalPort()));
    } else {
        offState(TLink::Wsjtx);
    }
    if (IsOn(TLink::Fldigi)) {
        fStrip->SetState(TLink::Fldigi, TLinkState::Listening,
                         QStringLiteral("Reading %1 every %2 ms")
                             .arg(fLinks.FLDigiLogFile())
                             .arg(fLinks.FldigiInterval()));
    } else {
        offState(TLink::Fldigi);
    }
    const TRigControl& rig = fLinks.RigControl();
    const QString where = rig.Host() + QLatin1Char(':') + QString::number(rig.Port());
    switch (rig.State()) {
    case TRigControl::TState::Off:
        offState(TLink::Rig);
        break;
    case TRigControl::TState::Connecting:
        fStrip->SetState(TLink::Rig, TLinkState::Listening,
                         QStringLiteral("Connecting to rigctld at ") + where);
        break;
    case TRigControl::TState::Connected:
        fStrip->SetState(TLink::Rig, TLinkState::Connected, QStringLiteral("rigctld at ") + where);
        break;
    case TRigControl::TState::Lost:
        fStrip->SetState(TLink::Rig, TLinkState::Failing,
                         QStringLiteral("No connection to rigctld at %1: %2").arg(where, rig.LostReason()));
        break;
    }
    const QString lookupProblem = fWindow.LookupProblem();
    if (!lookupProblem.isEmpty()) {
        fStrip->SetState(TLink::Lookup, TLinkState::Failing, lookupProblem);
    } else if (fWindow.UseAutoLook()) {
        fStrip->SetState(TLink::Lookup, TLinkState::Connected, QStringLiteral("The log's lookup source"));
    } else {
        fStrip->SetState(TLink::Lookup, TLinkState::Off, QStringLiteral("The log looks up no source"));
    }
}
