#include "WindowFit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QHash>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpacerItem>
#include <QStyle>
#include <QTimer>

namespace WindowFit {

namespace {

const QString kScrollName = QStringLiteral("scrollFit");

// True for a layout item that holds only buttons and spacing: the OK and Cancel row of a dialog.
bool IsButtonRow(QLayoutItem* item)
{
    if (QWidget* w = item->widget()) {
        return qobject_cast<QDialogButtonBox*>(w) || qobject_cast<QAbstractButton*>(w);
    }
    QLayout* layout = item->layout();
    if (!layout) {
        return false;
    }
    bool button = false;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* child = layout->itemAt(i);
        if (child->spacerItem()) {
            continue;
        }
        if (!IsButtonRow(child)) {
            return false;
        }
        button = true;
    }
    return button;
}

// Moves the contents of a dialog into a scroll area, all but the row of buttons at its bottom.
void ScrollContents(QWidget* window)
{
    QLayout* layout = window->layout();
    if (!layout || window->findChild<QScrollArea*>(kScrollName, Qt::FindDirectChildrenOnly)) {
        return;
    }
    QLayoutItem* buttons = nullptr;
    if (auto* box = qobject_cast<QBoxLayout*>(layout);
        box && box->direction() == QBoxLayout::TopToBottom && box->count() > 1) {
        if (IsButtonRow(box->itemAt(box->count() - 1))) {
            buttons = box->takeAt(box->count() - 1);
        }
    }
    layout->setSizeConstraint(QLayout::SetDefaultConstraint);
    // Moving widgets to a new parent changes the order Tab visits them in: it is noted first and set again.
    const bool hadFocus = window->focusWidget() != nullptr;
    QList<QPointer<QWidget>> tabOrder;
    for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
        if (window->isAncestorOf(w)) {
            tabOrder << w;
        }
    }
    auto* inner = new QWidget;
    inner->setObjectName(QStringLiteral("scrollFitContents"));
    // The new widget takes the layout, and the widgets in it, over from the window.
    inner->setLayout(layout);
    auto* scroll = new QScrollArea(window);
    scroll->setObjectName(kScrollName);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    // Tab goes from field to field; the area follows the focus.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidget(inner);
    auto* outer = new QVBoxLayout(window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll, 1);
    if (buttons) {
        auto* row = new QHBoxLayout;
        const int margin = window->style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
        row->setContentsMargins(margin, 0, margin, margin);
        if (QLayout* l = buttons->layout()) {
            row->addLayout(l);
        } else {
            row->addWidget(buttons->widget());
            delete buttons;
        }
        outer->addLayout(row);
    }
    window->setMinimumSize(0, 0);
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    for (qsizetype i = 1; i < tabOrder.size(); ++i) {
        if (tabOrder[i - 1] && tabOrder[i]) {
            QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
        }
    }
    // The keyboard starts where it started before: in the field the dialog chose, else in the first one.
    if (!hadFocus) {
        for (QWidget* w : tabOrder) {
            if (w && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && !w->isHidden()) {
                w->setFocus(Qt::TabFocusReason);
                break;
            }
        }
    }
}

bool IsFittedKind(const QWidget* w)
{
    const Qt::WindowType type = w->windowType();
    return type == Qt::Window || type == Qt::Dialog;
}

class TWatcher : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::Show && type != QEvent::Hide) {
            return false;
        }
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w || !w->isWindow() || !IsFittedKind(w)) {
            return false;
        }
        if (type == QEvent::Show) {
            // A message box takes its size only while it is shown; it places itself.
            if (!qobject_cast<QMessageBox*>(w)) {
                FitToScreen(w);
            }
            // A modal window takes the keyboard, even where no window manager hands it over (a bare X
            // server): what the operator types next belongs to it.
            if (w->isModal()) {
                QTimer::singleShot(0, w, [w] {
                    if (w->isVisible() && !w->isActiveWindow()) {
                        w->activateWindow();
                    }
                });
            }
            const auto known = fFocusBefore.constFind(w);
            if (w->isModal() && (known == fFocusBefore.cend() || known->window != w)) {
                QWidget* focus = QApplication::focusWidget();
                if ((!focus || focus->window() == w) && w->parentWidget()) {
                    focus = w->parentWidget()->window()->focusWidget();
                }
                fFocusBefore.insert(w, {w, focus});
            }
        } else if (const auto found = fFocusBefore.find(w); found != fFocusBefore.end()) {
            const QPointer<QWidget> focus = found->focus;
            fFocusBefore.erase(found);
            // The window the dialog came from gets the keyboard back, in the field that had it; code that
            // runs once the dialog has closed may still choose another field.
            if (focus && focus->isVisible() && focus->isEnabled()) {
                focus->setFocus(Qt::OtherFocusReason);
                focus->window()->activateWindow();
            } else if (QWidget* parent = w->parentWidget(); parent && parent->window()->isVisible()) {
                parent->window()->activateWindow();
            }
        }
        return false;
    }

private:
    // A shown modal window and the field that had the keyboard before it; the window's own pointer tells
    // an entry left by a window that is gone from one of a new window at the same address.
    struct TShown
    {
        QPointer<QWidget> window;
        QPointer<QWidget> focus;
    };
    QHash<QWidget*, TShown> fFocusBefore;
};

} // namespace

QScreen* ScreenFor(const QWidget* window)
{
    if (const QWidget* parent = window->parentWidget()) {
        if (QScreen* screen = parent->window()->screen()) {
            return screen;
        }
    }
    if (QScreen* screen = QGuiApplication::screenAt(window->geometry().center())) {
        return screen;
    }
    return QGuiApplication::primaryScreen();
}

QPoint KeepInside(const QPoint& wanted, const QSize& frame, const QRect& area)
{
    QPoint p = wanted;
    p.setX(std::min(p.x(), area.right() + 1 - frame.width()));
    p.setY(std::min(p.y(), area.bottom() + 1 - frame.height()));
    p.setX(std::max(p.x(), area.left()));
    p.setY(std::max(p.y(), area.top()));
    return p;
}

QMargins FrameMargins(const QWidget* window)
{
    const auto margins = [](const QWidget* w) {
        const QRect frame = w->frameGeometry();
        const QRect inner = w->geometry();
        return QMargins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                        frame.bottom() - inner.bottom());
    };
    const QMargins own = margins(window);
    if (!own.isNull() || !window->parentWidget()) {
        return own;
    }
    const QWidget* parent = window->parentWidget()->window();
    return parent->isVisible() ? margins(parent) : QMargins();
}

void FitToScreen(QWidget* window)
{
    QScreen* screen = ScreenFor(window);
    if (!screen) {
        return;
    }
    const QMargins frame = FrameMargins(window);
    const QRect area = screen->availableGeometry();
    const QSize room = area.size().shrunkBy(frame);
    window->ensurePolished();
    if (QLayout* layout = window->layout()) {
        layout->activate();
    }
    // A window that cannot be made small enough keeps its controls in a scroll area.
    const QSize need = window->minimumSize().expandedTo(window->minimumSizeHint());
    if ((need.width() > room.width() || need.height() > room.height()) && qobject_cast<QDialog*>(window)) {
        const QSize wanted = window->size();
        ScrollContents(window);
        if (QLayout* layout = window->layout()) {
            layout->activate();
        }
        // As wide as the fields and the scroll bar beside them need, where the screen has the room.
        auto* scroll = window->findChild<QScrollArea*>(kScrollName, Qt::FindDirectChildrenOnly);
        const int inner =
            scroll->widget()->sizeHint().width() + scroll->verticalScrollBar()->sizeHint().width();
        window->resize(std::max(wanted.width(), inner), wanted.height());
    }
    window->setMinimumSize(window->minimumSize().boundedTo(room));
    window->resize(window->size().boundedTo(room));
    QPoint topLeft = window->pos();
    const QWidget* parent = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    if (parent && !window->testAttribute(Qt::WA_Moved)) {
        const QRect owner = parent->frameGeometry();
        const QSize size = window->size().grownBy(frame);
        topLeft = QPoint(owner.left() + (owner.width() - size.width()) / 2,
                         owner.top() + (owner.height() - size.height()) / 2);
    }
    window->move(KeepInside(topLeft, window->size().grownBy(frame), area));
}

void RoomForCaptions(QWidget* window)
{
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->wordWrap() || label->textFormat() == Qt::RichText) {
            continue;
        }
        int widest = 0;
        const QFontMetricsF fm(label->font());
        for (const QString& line : QString(label->text()).remove(QLatin1Char('&')).split(QLatin1Char('\n'))) {
            widest = std::max(widest, int(std::ceil(fm.horizontalAdvance(line))));
        }
        if (widest > 0) {
            const QMargins margins = label->contentsMargins();
            label->setMinimumWidth(std::max(label->minimumWidth(), widest + margins.left() + margins.right() +
                                                                       2 * label->margin() + 3));
        }
    }
}

void Install()
{
    static QPointer<QObject> watcher;
    if (!watcher && qApp) {
        watcher = new TWatcher(qApp);
        qApp->installEventFilter(watcher);
    }
}

} // namespace WindowFit
