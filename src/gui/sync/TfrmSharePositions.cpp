#include "TfrmSharePositions.h"

#include "ui_TfrmSharePositions.h"

#include "data/Errors.h"
#include "sync/TSharedLog.h"

#include <QHeaderView>
#include <QShortcut>

namespace {

enum TColumn
{
    kName,
    kContacts,
    kLastContact,
    kLastSeen
};

} // namespace

TfrmSharePositions::TfrmSharePositions(TSharedLog& share, QWidget* parent)
    : QWidget(parent, Qt::Window), ui(std::make_unique<Ui::TfrmSharePositions>()), fShare(share)
{
    ui->setupUi(this);
    ui->lstPositions->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui->lstPositions->header()->setStretchLastSection(true);
    fSoon.setSingleShot(true);
    fSoon.setInterval(200);
    connect(&fSoon, &QTimer::timeout, this, &TfrmSharePositions::Refresh);
    connect(&fShare, &TSharedLog::PositionsChanged, this, &TfrmSharePositions::RefreshSoon);
    connect(&fShare, &TSharedLog::RemoteChanges, this, &TfrmSharePositions::RefreshSoon);
    // A contact logged here changes what is waiting to be sent, and so the state.
    connect(&fShare, &TSharedLog::StatusChanged, this, &TfrmSharePositions::RefreshSoon);
    connect(ui->btnClose, &QPushButton::clicked, this, &QWidget::close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    Refresh();
}

TfrmSharePositions::~TfrmSharePositions() = default;

void TfrmSharePositions::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    Refresh();
}

void TfrmSharePositions::RefreshSoon()
{
    if (isVisible() && !fSoon.isActive()) {
        fSoon.start();
    }
}

void TfrmSharePositions::Refresh()
{
    fSoon.stop();
    const TShareStatus status = fShare.Status();
    QString state =
        status.state == TShareStatus::TState::Off ? QStringLiteral("This log is not shared.") : status.Text();
    if (!status.error.isEmpty()) {
        state += '\n' + status.error;
    }
    ui->lblState->setText(state);
    ui->lblLogName->setText(fShare.Table());

    QList<TPositionInfo> positions;
    try {
        positions = fShare.Positions();
    } catch (const EVantrel& e) {
        ui->lblState->setText(state + '\n' + e.Message());
    }
    ui->lstPositions->clear();
    for (const TPositionInfo& p : positions) {
        auto* item = new QTreeWidgetItem(ui->lstPositions);
        item->setText(kName, p.name);
        item->setText(kContacts, QString::number(p.contacts));
        item->setTextAlignment(kContacts, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(kLastContact, p.lastContact);
        item->setText(kLastSeen, p.lastSeen.isValid()
                                     ? p.lastSeen.toUTC().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                                     : QString());
        if (p.self) {
            QFont bold = item->font(kName);
            bold.setBold(true);
            item->setFont(kName, bold);
            item->setToolTip(kName, QStringLiteral("This position"));
        }
    }
}
