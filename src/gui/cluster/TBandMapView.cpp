#include "TBandMapView.h"

#include "feeds/TRigControl.h"
#include "gui/common/Colors.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextDocument>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <climits>

namespace {

constexpr qint64 kBandLow = 28000000;
constexpr qint64 kBandHigh = 29700000;
constexpr int kZoomCount = int(std::size(TBandMapView::kZoomLevels));
// The gap between the scale and the labels, where the lines to the frequencies run.
constexpr int kLeaderWidth = 28;

QString Kilohertz(qint64 hertz)
{
    return QString::number(double(hertz) / 1000.0, 'f', 1);
}

} // namespace

TBandMapView::TBandMapView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("bandMapView"));
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    Relayout();
}

QSize TBandMapView::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(QStringLiteral("29700.0  WWWW/WW0WWW  #99999  0000Z")) +
                ScaleWidth() + kLeaderWidth + 16,
            minimumHeight()};
}

int TBandMapView::ScaleWidth() const
{
    return fontMetrics().horizontalAdvance(QStringLiteral("29.700")) + 16;
}

int TBandMapView::YOf(qint64 hertz) const
{
    const int margin = fontMetrics().height();
    return margin + int(double(hertz - kBandLow) / 1000.0 * Zoom());
}

QRect TBandMapView::LabelRect(int row) const
{
    return row >= 0 && size_t(row) < fLabels.size() ? fLabels[size_t(row)] : QRect();
}

QColor TBandMapView::ColorOf(const TSpotStanding& standing) const
{
    const QColor background = palette().color(QPalette::Base);
    switch (standing.status) {
    case TSpotStatus::Dupe:
        return LegibleOn(QColor(128, 128, 128), background, 3.0);
    case TSpotStatus::Worked:
        return LegibleOn(QColor(190, 110, 0), background, 4.5);
    case TSpotStatus::New:
        break;
    }
    return standing.tenten.isEmpty() ? LegibleOn(QColor(0, 130, 0), background, 4.5)
                                     : LegibleOn(QColor(30, 80, 220), background, 4.5);
}

QString TBandMapView::LabelText(const TBandMapRow& row) const
{
    const TSpot& spot = row.entry.spot;
    QString text = Kilohertz(spot.hertz) + QStringLiteral("  ") + spot.call;
    if (!row.standing.tenten.isEmpty()) {
        text += QStringLiteral("  #") + row.standing.tenten;
    }
    if (spot.time.isValid()) {
        text += QStringLiteral("  ") + spot.time.toString(QStringLiteral("HHmm")) + QLatin1Char('Z');
    }
    return text;
}

void TBandMapView::SetRows(std::vector<TBandMapRow> rows)
{
    const QString selected = fSelected >= 0 && size_t(fSelected) < fRows.size()
                                 ? fRows[size_t(fSelected)].entry.spot.call
                                 : QString();
    fRows = std::move(rows);
    fSelected = -1;
    if (!selected.isEmpty()) {
        for (size_t i = 0; i < fRows.size(); ++i) {
            if (fRows[i].entry.spot.call == selected) {
                fSelected = int(i);
                break;
            }
        }
    }
    Relayout();
    update();
}

void TBandMapView::SetRigFrequency(qint64 hertz)
{
    if (hertz == fRig) {
        return;
    }
    fRig = hertz;
    update();
}

void TBandMapView::Select(int row)
{
    if (fRows.empty()) {
        fSelected = -1;
        return;
    }
    fSelected = std::clamp(row, 0, int(fRows.size()) - 1);
    update();
    emit ShowArea(LabelRect(fSelected).adjusted(0, -fontMetrics().height(), 0, fontMetrics().height()));
}

void TBandMapView::ZoomIn()
{
    SetZoom(fZoom + 1, fSelected >= 0 ? YOf(fRows[size_t(fSelected)].entry.spot.hertz) : -1);
}

void TBandMapView::ZoomOut()
{
    SetZoom(fZoom - 1, fSelected >= 0 ? YOf(fRows[size_t(fSelected)].entry.spot.hertz) : -1);
}

void TBandMapView::SetZoom(int level, int anchorY)
{
    level = std::clamp(level, 0, kZoomCount - 1);
    if (level == fZoom) {
        return;
    }
    // The frequency at the anchor stays in view.
    const int margin = fontMetrics().height();
    const qint64 anchor = anchorY >= 0 ? kBandLow + qint64(double(anchorY - margin) / Zoom() * 1000.0) : -1;
    fZoom = level;
    Relayout();
    update();
    if (anchor >= 0) {
        const int y = YOf(anchor);
        emit ShowArea(QRect(0, y - height() / 8, 1, height() / 4));
    }
}

void TBandMapView::Relayout()
{
    const QFontMetrics metrics = fontMetrics();
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold);
    const int rowHeight = metrics.height() + 2;
    const int x = ScaleWidth() + kLeaderWidth;
    fLabels.resize(fRows.size());
    if (fLabelWidths.size() > 4 * qsizetype(fRows.size()) + 1000) {
        fLabelWidths.clear();
    }
    int next = INT_MIN;
    for (size_t i = 0; i < fRows.size(); ++i) {
        const int ideal = YOf(fRows[i].entry.spot.hertz) - rowHeight / 2;
        const int y = std::max(ideal, next);
        const QString text = LabelText(fRows[i]);
        auto width = fLabelWidths.constFind(text);
        if (width == fLabelWidths.cend()) {
            width = fLabelWidths.insert(text, boldMetrics.horizontalAdvance(text) + 8);
        }
        fLabels[i] = QRect(x, y, *width, rowHeight);
        next = y + rowHeight;
    }
    const int bandBottom = YOf(kBandHigh) + metrics.height();
    setMinimumHeight(std::max(bandBottom, next + metrics.height()));
}

int TBandMapView::RowAt(const QPoint& pos) const
{
    for (size_t i = 0; i < fLabels.size(); ++i) {
        if (fLabels[i].contains(pos)) {
            return int(i);
        }
    }
    return -1;
}

void TBandMapView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect area = event->rect();
    const QPalette& pal = palette();
    const QColor text = pal.color(QPalette::Text);
    const QColor faint = LegibleOn(pal.color(QPalette::Mid), pal.color(QPalette::Base), 1.6);
    const QFontMetrics metrics = fontMetrics();
    const int scale = ScaleWidth();

    // The rig's frequency, across the whole width, under the texts.
    if (IsTenMetres(fRig)) {
        const int y = YOf(fRig);
        const QColor rig = LegibleOn(QColor(220, 0, 0), pal.color(QPalette::Base), 3.0);
        painter.setPen(QPen(rig, 2));
        painter.drawLine(0, y, width(), y);
    }

    // The scale: a tick every kilohertz step, a frequency every major step, as close as the zoom allows.
    painter.setPen(text);
    painter.drawLine(scale, YOf(kBandLow), scale, YOf(kBandHigh));
    const int labelGap = metrics.height() * 3;
    int major = 500;
    for (const int step : {5, 10, 25, 50, 100, 250, 500}) {
        if (step * Zoom() >= labelGap) {
            major = step;
            break;
        }
    }
    const int minor = std::max(1, major / 5);
    const qint64 firstKhz =
        std::max<qint64>(28000, 28000 + qint64((area.top() - metrics.height()) / Zoom()) - major);
    const qint64 lastKhz = std::min<qint64>(29700, 28000 + qint64((area.bottom()) / Zoom()) + major);
    for (qint64 khz = firstKhz - firstKhz % minor; khz <= lastKhz; khz += minor) {
        if (khz < 28000) {
            continue;
        }
        const int y = YOf(khz * 1000);
        const bool isMajor = khz % major == 0;
        painter.setPen(isMajor ? text : faint);
        painter.drawLine(scale - (isMajor ? 8 : 4), y, scale, y);
        if (isMajor) {
            const QString mhz = QString::number(double(khz) / 1000.0, 'f', 3);
            const QRect box(scale - 12 - metrics.horizontalAdvance(mhz), y - metrics.height() / 2,
                            metrics.horizontalAdvance(mhz), metrics.height());
            painter.fillRect(box, pal.color(QPalette::Base));
            painter.setPen(text);
            painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, mhz);
        }
    }

    // The labels, each with its line to the frequency. A crowded band pushes labels far below their
    // frequencies, so many lines cross the painted area while their labels lie outside it: only the labels
    // in the area are laid out and drawn.
    QFont plain = font();
    QFont bold = plain;
    bold.setBold(true);
    // The colour of each standing (new, a new member, worked, a dupe), worked out once a paint.
    std::array<QColor, 4> colours;
    const auto colourOf = [&](const TSpotStanding& standing) -> const QColor& {
        const size_t kind = standing.status == TSpotStatus::New      ? (standing.tenten.isEmpty() ? 0 : 1)
                            : standing.status == TSpotStatus::Worked ? 2
                                                                     : 3;
        if (!colours[kind].isValid()) {
            colours[kind] = ColorOf(standing);
        }
        return colours[kind];
    };
    for (size_t i = 0; i < fRows.size(); ++i) {
        const QRect label = fLabels[i];
        const int y = YOf(fRows[i].entry.spot.hertz);
        const bool labelInArea = label.intersects(area);
        if (!labelInArea &&
            (std::min(y, label.top()) > area.bottom() || std::max(y, label.bottom()) < area.top())) {
            continue;
        }
        const TBandMapRow& row = fRows[i];
        const QColor& color = colourOf(row.standing);
        painter.setPen(color);
        painter.drawLine(scale + 1, y, label.left() - 3, label.center().y());
        if (!labelInArea) {
            continue;
        }
        const bool selected = int(i) == fSelected;
        if (!selected) {
            painter.fillRect(label, pal.color(QPalette::Base));
        } else {
            painter.fillRect(
                label, pal.color(hasFocus() ? QPalette::Active : QPalette::Inactive, QPalette::Highlight));
            painter.setPen(
                pal.color(hasFocus() ? QPalette::Active : QPalette::Inactive, QPalette::HighlightedText));
        }
        QFont f = row.standing.status == TSpotStatus::New && !row.standing.tenten.isEmpty() ? bold : plain;
        f.setStrikeOut(row.standing.status == TSpotStatus::Dupe);
        painter.setFont(f);
        painter.drawText(label.adjusted(4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, LabelText(row));
    }
    painter.setFont(plain);
}

void TBandMapView::keyPressEvent(QKeyEvent* event)
{
    const int count = int(fRows.size());
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down: {
        if (count == 0) {
            break;
        }
        const bool down = event->key() == Qt::Key_Down;
        if (fSelected < 0) {
            // From nothing: the call nearest the rig, else the first (or last) of the band.
            int nearest = down ? 0 : count - 1;
            if (IsTenMetres(fRig)) {
                qint64 best = LLONG_MAX;
                for (int i = 0; i < count; ++i) {
                    const qint64 distance = std::abs(fRows[size_t(i)].entry.spot.hertz - fRig);
                    if (distance < best) {
                        best = distance;
                        nearest = i;
                    }
                }
            }
            Select(nearest);
        } else {
            Select(fSelected + (down ? 1 : -1));
        }
        return;
    }
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (count > 0) {
            Select((fSelected < 0 ? 0 : fSelected) + (event->key() == Qt::Key_PageDown ? 10 : -10));
        }
        return;
    case Qt::Key_Home:
        if (count > 0) {
            Select(0);
        }
        return;
    case Qt::Key_End:
        if (count > 0) {
            Select(count - 1);
        }
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (fSelected >= 0) {
            emit Chosen(fSelected);
        }
        return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        ZoomIn();
        return;
    case Qt::Key_Minus:
        ZoomOut();
        return;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void TBandMapView::mousePressEvent(QMouseEvent* event)
{
    const int row = RowAt(event->position().toPoint());
    if (row >= 0) {
        Select(row);
    }
    QWidget::mousePressEvent(event);
}

void TBandMapView::mouseDoubleClickEvent(QMouseEvent* event)
{
    const int row = RowAt(event->position().toPoint());
    if (row >= 0) {
        Select(row);
        emit Chosen(row);
    }
}

void TBandMapView::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        const int y = event->position().toPoint().y();
        SetZoom(fZoom + (event->angleDelta().y() > 0 ? 1 : -1), y);
        event->accept();
        return;
    }
    QWidget::wheelEvent(event);
}

bool TBandMapView::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int row = RowAt(help->pos());
        if (row < 0) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        const TBandMapRow& r = fRows[size_t(row)];
        const TSpot& spot = r.entry.spot;
        QStringList lines;
        lines << spot.call + QStringLiteral("  ") + Kilohertz(spot.hertz) + QStringLiteral(" kHz") +
                     (spot.mode.isEmpty() ? QString() : QStringLiteral("  ") + spot.mode);
        if (!spot.comment.isEmpty()) {
            lines << spot.comment;
        }
        lines << QStringLiteral("Spotted by %1").arg(r.entry.spotters.join(QStringLiteral(", ")));
        lines << QStringLiteral("Heard %1 times, last at %2")
                     .arg(r.entry.count)
                     .arg(r.entry.lastHeard.toLocalTime().toString(QStringLiteral("HH:mm")));
        // Text from the network: shown as plain text, never read as markup.
        QToolTip::showText(help->globalPos(), Qt::convertFromPlainText(lines.join(QLatin1Char('\n'))), this,
                           LabelRect(row));
        return true;
    }
    return QWidget::event(event);
}

void TBandMapView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
        fLabelWidths.clear();
        Relayout();
        update();
    }
    QWidget::changeEvent(event);
}
