#include "TBandMapDock.h"

#include "feeds/TRigControl.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Spots are drawn at most this often: a flood of them costs one drawing per interval.
constexpr int kRefreshInterval = 250;
// How often spots that were not heard again are aged out.
constexpr int kAgeInterval = 30 * 1000;

} // namespace

TBandMapDock::TBandMapDock(TDM& dm, QWidget* parent, TClock clock)
    : QDockWidget(QStringLiteral("Band map"), parent), fDM(dm), fClock(std::move(clock)), fClassifier(dm)
{
    setObjectName(QStringLiteral("dockBandMap"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    fHeader = new QLabel(body);
    fHeader->setObjectName(QStringLiteral("lblBandMap"));
    fHeader->setTextFormat(Qt::PlainText);
    layout->addWidget(fHeader);
    fScroll = new QScrollArea(body);
    fScroll->setWidgetResizable(true);
    fView = new TBandMapView(fScroll);
    fScroll->setWidget(fView);
    fScroll->setFocusProxy(fView);
    layout->addWidget(fScroll, 1);
    setWidget(body);
    setFocusProxy(fView);

    connect(fView, &TBandMapView::ShowArea, this, [this](const QRect& area) {
        fScroll->ensureVisible(area.center().x(), area.center().y(), 0, area.height() / 2);
    });
    connect(fView, &TBandMapView::Chosen, this, [this](int row) {
        const auto& rows = fView->Rows();
        if (row >= 0 && size_t(row) < rows.size()) {
            emit SpotChosen(rows[size_t(row)].entry.spot);
        }
    });

    fRefreshTimer = new QTimer(this);
    fRefreshTimer->setSingleShot(true);
    fRefreshTimer->setInterval(kRefreshInterval);
    connect(fRefreshTimer, &QTimer::timeout, this, &TBandMapDock::Refresh);
    fAgeTimer = new QTimer(this);
    fAgeTimer->setInterval(kAgeInterval);
    connect(fAgeTimer, &QTimer::timeout, this, &TBandMapDock::Refresh);
    fAgeTimer->start();
    UpdateHeader();
}

TBandMapDock::~TBandMapDock() = default;

const std::vector<TBandMapRow>& TBandMapDock::Rows() const
{
    return fView->Rows();
}

void TBandMapDock::SetLog(const QString& table, const QString& event)
{
    fClassifier.SetLog(table, event);
    Refresh();
}

void TBandMapDock::SetEntryMode(const QString& mode)
{
    if (mode == fEntryMode) {
        return;
    }
    fEntryMode = mode;
    ScheduleRefresh();
}

void TBandMapDock::ContactsChanged()
{
    fClassifier.Forget();
    Refresh();
}

void TBandMapDock::RostersChanged()
{
    fClassifier.ForgetRosters();
    Refresh();
}

void TBandMapDock::AddSpot(const TSpot& spot)
{
    if (!IsTenMetres(spot.hertz) || spot.call.isEmpty()) {
        return;
    }
    fList.Add(spot, fClock());
    ScheduleRefresh();
}

void TBandMapDock::SetRigFrequency(qint64 hertz)
{
    fView->SetRigFrequency(hertz);
}

void TBandMapDock::SetMaxAge(int minutes)
{
    fList.SetMaxAge(minutes);
    ScheduleRefresh();
}

void TBandMapDock::Clear()
{
    fList.Clear();
    Refresh();
}

void TBandMapDock::ScheduleRefresh()
{
    if (!fRefreshTimer->isActive()) {
        fRefreshTimer->start();
    }
}

void TBandMapDock::Refresh()
{
    fRefreshTimer->stop();
    fList.Expire(fClock());
    std::vector<TBandMapRow> rows;
    rows.reserve(fList.Spots().size());
    for (const TBandSpot& entry : fList.Spots()) {
        const QString mode = entry.spot.mode.isEmpty() ? fEntryMode : entry.spot.mode;
        rows.push_back({entry, fClassifier.Classify(entry.spot.call, mode)});
    }
    fView->SetRows(std::move(rows));
    UpdateHeader();
}

void TBandMapDock::UpdateHeader()
{
    int fresh = 0;
    int members = 0;
    for (const TBandMapRow& row : fView->Rows()) {
        if (row.standing.status != TSpotStatus::Dupe) {
            ++fresh;
            if (!row.standing.tenten.isEmpty()) {
                ++members;
            }
        }
    }
    const int total = int(fView->Rows().size());
    fHeader->setText(
        QStringLiteral("%1 spots: %2 to work, %3 of them members").arg(total).arg(fresh).arg(members));
}
