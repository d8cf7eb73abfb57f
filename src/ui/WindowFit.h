#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

// Every window of the program on the screen it opens on, and the keyboard back where it was when a
// dialog closes.
namespace WindowFit {

// The screen a window opens on: the one of the window it belongs to, else the one under its place, else
// the primary screen.
QScreen* ScreenFor(const QWidget* window);

// The top-left corner of a frame of a size placed as near as possible to a wanted corner wholly inside
// an area; a frame larger than the area keeps its left and top edges (title bar and close box) inside.
QPoint KeepInside(const QPoint& wanted, const QSize& frame, const QRect& area);

// The frame around a window that is not shown yet: the one the window it belongs to has, none when it
// has no such window.
QMargins FrameMargins(const QWidget* window);

// Makes a window fit the free area of its screen: no larger than the area (a dialog whose fields need
// more room gets them in a scroll area, its row of buttons kept outside and always in sight) and wholly
// on it. A dialog not placed by the program is centred on the window it belongs to first.
void FitToScreen(QWidget* window);

// Gives every one-line label of a window the whole width of its text, measured to the fraction of a
// pixel, and a little more: at any scale factor the last letter is drawn whole.
void RoomForCaptions(QWidget* window);

// Installs, once for the application, the watcher that fits every window when it is shown, and gives
// the keyboard focus back to the window and the field that had it when a modal dialog or box closes.
void Install();

} // namespace WindowFit
