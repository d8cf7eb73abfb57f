#pragma once

#include "cluster/SpotLine.h"
#include "cluster/TSpotClassifier.h"
#include "cluster/TSpotList.h"
#include "data/Clock.h"
#include "gui/cluster/TBandMapView.h"

#include <QDockWidget>

class QLabel;
class QScrollArea;
class QTimer;
class TDM;

// The 10 m band map as a dock: the spots of the cluster, one per call, coloured by what each means for the
// open log (new, a Ten-Ten member with the club number, worked, a duplicate), aged out after the longest age
// (30 minutes unless set). Spots are taken as they come and drawn a few times a second, so a flood of spots
// never keeps the window busy. Spots never reach the log: choosing one (Enter, double-click) only reports
// it through SpotChosen.
class TBandMapDock : public QDockWidget
{
    Q_OBJECT

public:
    explicit TBandMapDock(TDM& dm, QWidget* parent = nullptr, TClock clock = SystemNow);
    ~TBandMapDock() override;

    // The open log (its table and event): every spot is checked again. An empty table: no log open.
    void SetLog(const QString& table, const QString& event);
    // The entry form's mode, taken for a spot that names none when the event counts a station per mode.
    void SetEntryMode(const QString& mode);
    // A contact was logged, edited or deleted: every spot is checked again.
    void ContactsChanged();
    // The club rosters were loaded again: every spot's roster number is looked up again.
    void RostersChanged();
    // A spot from the cluster; spots outside 28.000-29.700 MHz are left out.
    void AddSpot(const TSpot& spot);
    // The rig's frequency in hertz (0: no rig), drawn as a line.
    void SetRigFrequency(qint64 hertz);
    // How long a call stays without being spotted again, in minutes.
    void SetMaxAge(int minutes);
    void Clear();

    // Takes the spots that came in and the ages now, and draws them (otherwise done a few times a second).
    void Refresh();

    // What the map shows, in order of frequency.
    const std::vector<TBandMapRow>& Rows() const;
    TBandMapView* View() const { return fView; }

signals:
    // The operator chose a spot: its call goes to the entry form (and the rig to its frequency).
    void SpotChosen(const TSpot& spot);

private:
    void ScheduleRefresh();
    void UpdateHeader();

    TDM& fDM;
    TClock fClock;
    TSpotList fList;
    TSpotClassifier fClassifier;
    QString fEntryMode;
    TBandMapView* fView = nullptr;
    QScrollArea* fScroll = nullptr;
    QLabel* fHeader = nullptr;
    QTimer* fRefreshTimer = nullptr;
    QTimer* fAgeTimer = nullptr;
    bool fChanged = false;
};
