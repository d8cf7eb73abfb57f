#pragma once

#include "cluster/SpotLine.h"

#include <QObject>
#include <QString>

class QAction;
class QLabel;
class TBandMapDock;
class TClusterClient;
class TStationLinks;
class TfrmMain;

// The DX cluster and the 10 m band map in the window: Server > Cluster (Ctrl+Shift+C) switches the client
// on and off, the band map is a dock (Display > Band Map), the cluster's state is in the status bar, a
// chosen spot goes to the entry form (and tunes the rig when rig control is on), Server > Spot This
// Contact (Ctrl+Shift+S) spots the call in the entry form. Spots never enter the log on their own.
class TClusterRoom : public QObject
{
    Q_OBJECT

public:
    explicit TClusterRoom(TfrmMain& window);

    // At start: with ClusterAutoStart, the cluster is switched on once a log is current.
    void Start();

    // Connects to the cluster of the settings and shows the band map; false (after telling the operator
    // why) when no cluster is set or the station has no call sign.
    bool SwitchOn();
    void SwitchOff();
    // Spots the call of the entry form: the rig's frequency when rig control is on and the rig is on 10 m,
    // otherwise the frequency asked for.
    void SpotContact();
    // The club rosters were loaded again: the band map looks its calls up again.
    void RostersChanged();

    TClusterClient& Client() const { return *fCluster; }
    TBandMapDock* BandMap() const { return fBandMap; }
    QAction* SwitchAction() const { return fSwitch; }

private:
    void TakeSpot(const TSpot& spot);
    void Follow();
    void ShowState();

    TfrmMain& fWindow;
    TStationLinks& fLinks;
    TClusterClient* fCluster = nullptr;
    TBandMapDock* fBandMap = nullptr;
    QAction* fSwitch = nullptr;
    QAction* fSpot = nullptr;
    QLabel* lblCluster = nullptr;
    QString fTable;
    // ClusterAutoStart: switched on once a log (and so the station's call sign) is current.
    bool fAutoStartPending = false;
};
