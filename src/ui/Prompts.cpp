#include "Prompts.h"

#include "FileDialogs.h"

#include "data/Errors.h"
#include "feeds/TInputDialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <memory>
#include <utility>

QPoint CenteredTopLeft(const QRect& window, const QSize& box)
{
    return {window.left() + (window.width() - box.width()) / 2,
            window.top() + (window.height() - box.height()) / 2};
}

QString DialogFilter(const QString& filter)
{
    const QStringList parts = filter.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString label = parts[i];
        QString pattern = parts[i + 1];
        pattern.replace(';', ' ');
        if (!label.contains('(')) {
            label += QStringLiteral(" (") + pattern + ')';
        }
        // The label may already name its pattern, as in "User File (*.scr)"; the platform dialog reads the
        // pattern from the parentheses. Names match whatever their letter case, so a label that names
        // the pattern in other letters is shown as written; one naming another pattern gets the real one.
        const qsizetype open = label.lastIndexOf('(');
        const qsizetype close = label.lastIndexOf(')');
        const QString named = close > open ? label.mid(open + 1, close - open - 1) : QString();
        if (named.compare(pattern, Qt::CaseInsensitive) == 0) {
            filters << label;
        } else {
            filters << label.left(open) + '(' + pattern + ')';
        }
    }
    return filters.join(QStringLiteral(";;"));
}

namespace {

QMessageBox::Icon IconOf(MsgKind kind)
{
    switch (kind) {
    case MsgKind::Warning:
        return QMessageBox::Warning;
    case MsgKind::Error:
        return QMessageBox::Critical;
    case MsgKind::Information:
        return QMessageBox::Information;
    case MsgKind::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QString TitleOf(MsgKind kind)
{
    switch (kind) {
    case MsgKind::Warning:
        return QStringLiteral("Warning");
    case MsgKind::Error:
        return QStringLiteral("Error");
    case MsgKind::Information:
        return QStringLiteral("Information");
    case MsgKind::Confirmation:
        return QStringLiteral("Confirm");
    }
    return QString();
}

// Runs a picker modally; the chosen path, or empty text when cancelled.
QString RunPicker(QFileDialog* picker)
{
    std::unique_ptr<QFileDialog> dialog(picker);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog->selectedFiles().first();
}

} // namespace

MsgButton TRealPrompts::Message(QWidget* window, const QString& text, MsgKind kind, MsgButtons buttons)
{
    QMessageBox box(IconOf(kind), TitleOf(kind), text, QMessageBox::NoButton, window);
    const std::pair<MsgButton, QMessageBox::StandardButton> map[] = {
        {MsgButton::Yes, QMessageBox::Yes},
        {MsgButton::No, QMessageBox::No},
        {MsgButton::OK, QMessageBox::Ok},
        {MsgButton::Cancel, QMessageBox::Cancel}};
    for (const auto& [ours, qts] : map) {
        if (buttons.testFlag(ours)) {
            box.addButton(qts);
        }
    }
    if (buttons == MsgButtons()) {
        box.addButton(QMessageBox::Ok);
    }
    const MsgButton defaultButton = std::exchange(fDefaultButton, MsgButton::None);
    for (const auto& [ours, qts] : map) {
        if (ours == defaultButton && buttons.testFlag(ours)) {
            box.setDefaultButton(qts);
        }
    }
    box.adjustSize();
    const QRect area = window
                           ? window->frameGeometry()
                           : (QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry()
                                                               : QRect(0, 0, 800, 600));
    box.move(CenteredTopLeft(area, box.size()));
    const int result = box.exec();
    for (const auto& [ours, qts] : map) {
        if (result == qts) {
            return ours;
        }
    }
    if (buttons.testFlag(MsgButton::Cancel)) {
        return MsgButton::Cancel;
    }
    return buttons.testFlag(MsgButton::No) ? MsgButton::No : MsgButton::OK;
}

MsgButton TRealPrompts::Ask(QWidget* window, const QString& text, MsgKind kind, MsgButtons buttons,
                            MsgButton defaultButton)
{
    fDefaultButton = defaultButton;
    return Message(window, text, kind, buttons);
}

std::optional<QString> TRealPrompts::Input(QWidget* window, const QString& caption, const QString& prompt,
                                           const QString& value)
{
    bool ok = false;
    const QString text = QInputDialog::getText(window, caption, prompt, QLineEdit::Normal, value, &ok);
    if (!ok) {
        return std::nullopt;
    }
    return text;
}

QString TRealPrompts::OpenFile(QWidget* window, const QString& caption, const QString& folder,
                               const QString& filter)
{
    return RunPicker(CreateFileDialog(window, TPickerKind::OpenFile, caption, folder, filter));
}

QString TRealPrompts::SaveFile(QWidget* window, const QString& caption, const QString& folder,
                               const QString& filter, const QString& defaultSuffix)
{
    return RunPicker(CreateFileDialog(window, TPickerKind::SaveFile, caption, folder, filter, defaultSuffix));
}

QString TRealPrompts::Folder(QWidget* window, const QString& caption, const QString& folder)
{
    return RunPicker(CreateFileDialog(window, TPickerKind::Folder, caption, folder));
}

std::optional<QColor> TRealPrompts::Color(QWidget* window, const QColor& initial)
{
    const QColor color = QColorDialog::getColor(initial, window);
    if (!color.isValid()) {
        return std::nullopt;
    }
    return color;
}

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

QString TRealPrompts::PortInput(QWidget* window, const QString& caption, const QString& message,
                                const QString& value)
{
    TInputDialog dialog(window);
    return dialog.Execute(caption, message, value);
}
