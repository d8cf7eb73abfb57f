#pragma once

#include "data/Prompts.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

// Prompts for tests: every prompt is recorded, and each one takes its answer from a queue that the test
// fills beforehand. A prompt with no queued answer, or one of another kind than the answer expects,
// fails the test.
class TScriptedPrompts : public IPrompts
{
public:
    enum class Type
    {
        Message,
        Input,
        OpenFile,
        SaveFile,
        Folder,
        Color
    };

    struct TRecord
    {
        Type type;
        QString text;    // message text, or the prompt/caption of a picker
        QString caption; // input box caption
        MsgKind kind = MsgKind::Information;
        MsgButtons buttons;
        QString value;                             // pre-filled input value, or starting folder
        MsgButton defaultButton = MsgButton::None; // the button Enter presses, when the box names one
    };

    ~TScriptedPrompts() override;

    // Queue the answer of the next prompt.
    void AnswerMessage(MsgButton button);
    void AnswerInput(std::optional<QString> text);
    void AnswerOpenFile(const QString& path);
    void AnswerSaveFile(const QString& path);
    void AnswerFolder(const QString& path);
    void AnswerColor(std::optional<QColor> color);

    // Runs an action while the next message box is open, before its answer is given: the time the
    // operator looks at the box. The action may run the event loop, as a real box does.
    void WhileNextMessage(std::function<void()> action) { fWhileNextMessage = std::move(action); }

    const QList<TRecord>& Records() const { return fRecords; }
    // Texts of the message boxes shown so far.
    QStringList Messages() const;
    // Answers queued but never asked for.
    int Pending() const { return int(fAnswers.size()); }
    void Clear();

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

private:
    struct TAnswer
    {
        Type type;
        MsgButton button = MsgButton::OK;
        std::optional<QString> text;
        std::optional<QColor> color;
    };
    std::optional<TAnswer> Next(Type type, const QString& what);

    std::deque<TAnswer> fAnswers;
    std::function<void()> fWhileNextMessage;
    QList<TRecord> fRecords;
};
