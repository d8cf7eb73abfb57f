#pragma once

#include <QFlags>
#include <QString>
#include <exception>
#include <optional>

class QColor;
class QWidget;

enum class MsgKind
{
    Warning,
    Error,
    Information,
    Confirmation
};

enum class MsgButton
{
    None = 0,
    OK = 0x1,
    Cancel = 0x2,
    Yes = 0x4,
    No = 0x8
};
Q_DECLARE_FLAGS(MsgButtons, MsgButton)
Q_DECLARE_OPERATORS_FOR_FLAGS(MsgButtons)

// Every modal question to the operator goes through this interface: message boxes, the input box and
// the file, folder and colour pickers. It names windows and colours only by declaration, so the code that
// asks needs no widget; the program installs the real boxes (TRealPrompts), tests install a scripted one.
class IPrompts
{
public:
    virtual ~IPrompts() = default;

    // Shows a message box of a kind with a set of buttons, centred on the window; returns the button
    // pressed (Cancel, or No when there is no Cancel, when the box is closed otherwise).
    virtual MsgButton Message(QWidget* window, const QString& text, MsgKind kind, MsgButtons buttons) = 0;
    // The same box with the button that Enter presses chosen: a question whose first answer (Yes) is not
    // the safe one. Without a box of its own, a prompts object shows the plain message box.
    virtual MsgButton Ask(QWidget* window, const QString& text, MsgKind kind, MsgButtons buttons,
                          MsgButton defaultButton)
    {
        (void)defaultButton;
        return Message(window, text, kind, buttons);
    }
    // An input box pre-filled with a value; nothing when cancelled.
    virtual std::optional<QString> Input(QWidget* window, const QString& caption, const QString& prompt,
                                         const QString& value) = 0;
    // File pickers; an empty text when cancelled. The filter uses "Label|pattern|Label|pattern" pairs.
    virtual QString OpenFile(QWidget* window, const QString& caption, const QString& folder,
                             const QString& filter) = 0;
    virtual QString SaveFile(QWidget* window, const QString& caption, const QString& folder,
                             const QString& filter, const QString& defaultSuffix) = 0;
    virtual QString Folder(QWidget* window, const QString& caption, const QString& folder) = 0;
    virtual std::optional<QColor> Color(QWidget* window, const QColor& initial) = 0;
    // The port dialog of the logging server: a caption, a message of several lines and the port edit
    // box filled with a value; the edit box text on OK, empty text on Cancel. Without a dialog of its
    // own, a prompts object asks with its input box.
    virtual QString PortInput(QWidget* window, const QString& caption, const QString& message,
                              const QString& value)
    {
        return Input(window, caption, message, value).value_or(QString());
    }
};

// Shows a message centred on a window and returns the button pressed.
MsgButton ShowCenteredMessage(IPrompts& prompts, QWidget* window, const QString& text, MsgKind kind,
                              MsgButtons buttons);
// The same, with the button that Enter presses.
MsgButton ShowCenteredMessage(IPrompts& prompts, QWidget* window, const QString& text, MsgKind kind,
                              MsgButtons buttons, MsgButton defaultButton);
// The same, with the button that Enter presses.
MsgButton ShowCenteredMessage(IPrompts& prompts, QWidget* window, const QString& text, MsgKind kind,
                              MsgButtons buttons, MsgButton defaultButton);

// Runs an action of the operator's; an error it raises is shown in an error box centred on the window
// instead of leaving the event handler. Returns false when the action failed.
bool ShowActionError(IPrompts& prompts, QWidget* window, const std::exception_ptr& error);

template <typename F> bool RunGuarded(IPrompts& prompts, QWidget* window, F&& action)
{
    try {
        action();
        return true;
    } catch (...) {
        return ShowActionError(prompts, window, std::current_exception());
    }
}
