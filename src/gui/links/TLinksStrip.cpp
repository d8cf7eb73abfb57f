#include "TLinksStrip.h"

#include "gui/common/Colors.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

namespace {

// The least contrast of a label's text with the window behind it.
constexpr double kTextContrast = 4.5;

} // namespace

QString LinkStateName(TLinkState state)
{
    switch (state) {
    case TLinkState::Off:
        return QStringLiteral("off");
    case TLinkState::Listening:
        return QStringLiteral("listening");
    case TLinkState::Connected:
        return QStringLiteral("connected");
    case TLinkState::Failing:
        break;
    }
    return QStringLiteral("failing");
}

TLinksStrip::TLinksStrip(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (const TLink link : kLinks) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("lblLink") + LinkName(link).remove('-'));
        label->setTextFormat(Qt::PlainText);
        label->setFrameShape(QFrame::StyledPanel);
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
        layout->addWidget(label);
        fLabels[size_t(link)] = label;
        Show(link);
    }
}

void TLinksStrip::SetState(TLink link, TLinkState state, const QString& reason)
{
    fStates[size_t(link)] = state;
    fReasons[size_t(link)] = reason;
    Show(link);
}

void TLinksStrip::Show(TLink link)
{
    QLabel* label = fLabels[size_t(link)];
    const TLinkState state = fStates[size_t(link)];
    label->setText(QStringLiteral(" %1: %2 ").arg(LinkName(link), LinkStateName(state)));
    QString tip = LinkName(link) + QStringLiteral(": ") + LinkStateName(state);
    if (!fReasons[size_t(link)].isEmpty()) {
        tip += QStringLiteral(" - ") + fReasons[size_t(link)];
    }
    tip += QStringLiteral("\nClick to open its settings.");
    // The reason may come from another program or a server: shown as plain text.
    label->setToolTip(QStringLiteral("<qt>") +
                      tip.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")) +
                      QStringLiteral("</qt>"));

    const QPalette& own = palette();
    const QColor background = own.color(QPalette::Window);
    QColor text = own.color(QPalette::WindowText);
    if (state == TLinkState::Listening || state == TLinkState::Connected) {
        text = LegibleOn(QColor(0, 128, 0), background, kTextContrast);
    } else if (state == TLinkState::Failing) {
        text = LegibleOn(QColor(200, 0, 0), background, kTextContrast);
    }
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, text);
    label->setPalette(colours);
    QFont font = label->font();
    font.setBold(state == TLinkState::Failing);
    label->setFont(font);
}

bool TLinksStrip::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (const TLink link : kLinks) {
            if (watched == fLabels[size_t(link)]) {
                emit LinkClicked(link);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TLinksStrip::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // A new theme: the colours are measured against its window again.
    if (event->type() == QEvent::PaletteChange) {
        for (const TLink link : kLinks) {
            Show(link);
        }
    }
}
