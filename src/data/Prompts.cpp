#include "Prompts.h"

#include "Errors.h"

#include <exception>

MsgButton ShowCenteredMessage(IPrompts& prompts, QWidget* window, const QString& text, MsgKind kind,
                              MsgButtons buttons)
{
    return prompts.Message(window, text, kind, buttons);
}

MsgButton ShowCenteredMessage(IPrompts& prompts, QWidget* window, const QString& text, MsgKind kind,
                              MsgButtons buttons, MsgButton defaultButton)
{
    return prompts.Ask(window, text, kind, buttons, defaultButton);
}

bool ShowActionError(IPrompts& prompts, QWidget* window, const std::exception_ptr& error)
{
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const EVantrel& e) {
        text = e.Message();
    } catch (const std::exception& e) {
        text = QString::fromLocal8Bit(e.what());
    } catch (...) {
        text = QStringLiteral("Unknown error");
    }
    prompts.Message(window, text, MsgKind::Error, MsgButton::OK);
    return false;
}
