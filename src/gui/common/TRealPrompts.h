#pragma once

#include "data/Prompts.h"

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>

// The top-left corner that centres a box on a window; a box larger than the window starts left of and
// above it (divisions round toward zero).
QPoint CenteredTopLeft(const QRect& window, const QSize& box);

// Turns a "Label|pattern|Label|pattern" filter into the form of the platform's file dialogs.
QString DialogFilter(const QString& filter);

// The prompts of the running program: Qt's message box, input box and pickers, centred on the window.
class TRealPrompts : public IPrompts
{
public:
    MsgButton Message(QWidget* window, const QString& text, MsgKind kind, MsgButtons buttons) override;
    MsgButton Ask(QWidget* window, const QString& text, MsgKind kind, MsgButtons buttons,
                  MsgButton defaultButton) override;
    std::optional<QString> Input(QWidget* window, const QString& caption, const QString& prompt,
                                 const QString& value) override;
    QString OpenFile(QWidget* window, const QString& caption, const QString& folder,
                     const QString& filter) override;
    QString SaveFile(QWidget* window, const QString& caption, const QString& folder, const QString& filter,
                     const QString& defaultSuffix) override;
    QString Folder(QWidget* window, const QString& caption, const QString& folder) override;
    std::optional<QColor> Color(QWidget* window, const QColor& initial) override;
    QString PortInput(QWidget* window, const QString& caption, const QString& message,
                      const QString& value) override;

private:
    // The button Enter presses in the next message box; None: the box's own choice.
    MsgButton fDefaultButton = MsgButton::None;
};
