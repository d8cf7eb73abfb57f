#include "TScriptedPrompts.h"

#include <QTest>
#include <utility>

namespace {

const char* TypeName(TScriptedPrompts::Type type)
{
    switch (type) {
    case TScriptedPrompts::Type::Message:
        return "message box";
    case TScriptedPrompts::Type::Input:
        return "input box";
    case TScriptedPrompts::Type::OpenFile:
        return "open-file picker";
    case TScriptedPrompts::Type::SaveFile:
        return "save-file picker";
    case TScriptedPrompts::Type::Folder:
        return "folder picker";
    case TScriptedPrompts::Type::Color:
        return "colour picker";
    }
    return "prompt";
}

} // namespace

TScriptedPrompts::~TScriptedPrompts() = default;

void TScriptedPrompts::AnswerMessage(MsgButton button)
{
    fAnswers.push_back({Type::Message, button, std::nullopt, std::nullopt});
}

void TScriptedPrompts::AnswerInput(std::optional<QString> text)
{
    fAnswers.push_back({Type::Input, MsgButton::OK, std::move(text), std::nullopt});
}

void TScriptedPrompts::AnswerOpenFile(const QString& path)
{
    fAnswers.push_back({Type::OpenFile, MsgButton::OK, path, std::nullopt});
}

void TScriptedPrompts::AnswerSaveFile(const QString& path)
{
    fAnswers.push_back({Type::SaveFile, MsgButton::OK, path, std::nullopt});
}

void TScriptedPrompts::AnswerFolder(const QString& path)
{
    fAnswers.push_back({Type::Folder, MsgButton::OK, path, std::nullopt});
}

void TScriptedPrompts::AnswerColor(std::optional<QColor> color)
{
    fAnswers.push_back({Type::Color, MsgButton::OK, std::nullopt, std::move(color)});
}

QStringList TScriptedPrompts::Messages() const
{
    QStringList texts;
    for (const TRecord& r : fRecords) {
        if (r.type == Type::Message) {
            texts << r.text;
        }
    }
    return texts;
}

void TScriptedPrompts::Clear()
{
    fAnswers.clear();
    fRecords.clear();
}

std::optional<TScriptedPrompts::TAnswer> TScriptedPrompts::Next(Type type, const QString& what)
{
    if (fAnswers.empty() || fAnswers.front().type != type) {
        const QString expected = fAnswers.empty() ? QStringLiteral("nothing")
                                                  : QString::fromLatin1(TypeName(fAnswers.front().type));
        QTest::qFail(qPrintable(QStringLiteral("Unexpected %1: \"%2\" (queued: %3)")
                                    .arg(QString::fromLatin1(TypeName(type)), what, expected)),
                     __FILE__, __LINE__);
        return std::nullopt;
    }
    TAnswer answer = fAnswers.front();
    fAnswers.pop_front();
    return answer;
}

MsgButton TScriptedPrompts::Message(QWidget*, const QString& text, MsgKind kind, MsgButtons buttons)
{
    fRecords.append({Type::Message, text, QString(), kind, buttons, QString()});
    if (auto action = std::exchange(fWhileNextMessage, nullptr)) {
        action();
    }
    const auto answer = Next(Type::Message, text);
    if (!answer) {
        return buttons.testFlag(MsgButton::Cancel) ? MsgButton::Cancel
               : buttons.testFlag(MsgButton::No)   ? MsgButton::No
                                                   : MsgButton::OK;
    }
    return answer->button;
}

MsgButton TScriptedPrompts::Ask(QWidget* window, const QString& text, MsgKind kind, MsgButtons buttons,
                                MsgButton defaultButton)
{
    // The box's record is the next one; the operator's time at the box may add more after it.
    const qsizetype at = fRecords.size();
    const MsgButton answer = Message(window, text, kind, buttons);
    fRecords[at].defaultButton = defaultButton;
    return answer;
}

std::optional<QString> TScriptedPrompts::Input(QWidget*, const QString& caption, const QString& prompt,
                                               const QString& value)
{
    fRecords.append({Type::Input, prompt, caption, MsgKind::Information, {}, value});
    const auto answer = Next(Type::Input, caption + QStringLiteral(": ") + prompt);
    return answer ? answer->text : std::nullopt;
}

QString TScriptedPrompts::OpenFile(QWidget*, const QString& caption, const QString& folder,
                                   const QString& filter)
{
    fRecords.append({Type::OpenFile, filter, caption, MsgKind::Information, {}, folder});
    const auto answer = Next(Type::OpenFile, caption);
    return answer ? answer->text.value_or(QString()) : QString();
}

QString TScriptedPrompts::SaveFile(QWidget*, const QString& caption, const QString& folder,
                                   const QString& filter, const QString&)
{
    fRecords.append({Type::SaveFile, filter, caption, MsgKind::Information, {}, folder});
    const auto answer = Next(Type::SaveFile, caption);
    return answer ? answer->text.value_or(QString()) : QString();
}

QString TScriptedPrompts::Folder(QWidget*, const QString& caption, const QString& folder)
{
    fRecords.append({Type::Folder, caption, caption, MsgKind::Information, {}, folder});
    const auto answer = Next(Type::Folder, caption);
    return answer ? answer->text.value_or(QString()) : QString();
}

std::optional<QColor> TScriptedPrompts::Color(QWidget*, const QColor& initial)
{
    fRecords.append({Type::Color, QString(), QString(), MsgKind::Information, {}, initial.name()});
    const auto answer = Next(Type::Color, QStringLiteral("colour"));
    return answer ? answer->color : std::nullopt;
}
