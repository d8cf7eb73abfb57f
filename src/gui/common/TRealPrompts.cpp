#include "TRealPrompts.h"

#include "FileDialogs.h"
#include "WindowFit.h"

#include "gui/feeds/TInputDialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
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

// True for a word that names a file, a folder or a web address: it must not be broken across lines.
bool IsPath(const QString& word)
{
    return word.size() > 1 && (word.contains(QLatin1Char('/')) || word.contains(QLatin1Char('\\')));
}

// The program's message box. Its text is shown as it is, never read as rich text (it may come from a
// file, a server or a datagram). A path or address in it stays whole: a paragraph too wide for one line
// starts a new line before it, and the box is made as wide as the longest one (up to the screen). Once the
// box knows its size, it is centred on the area of its window and kept on the screen.
class TMessageBox : public QMessageBox
{
public:
    TMessageBox(Icon icon, const QString& title, const QString& text, QWidget* parent, const QRect& area)
        : QMessageBox(icon, title, QString(), NoButton, parent), fArea(area)
    {
        setTextFormat(Qt::PlainText);
        QLabel* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        const QFontMetrics fm(label ? label->font() : font());
        const QScreen* screen = WindowFit::ScreenFor(this);
        const int wide = screen ? std::min(screen->availableGeometry().width() / 2, 500) : 500;
        const int most = screen ? screen->availableGeometry().width() - 120 : 900;
        int longest = 0;
        QStringList paragraphs = text.split(QLatin1Char('\n'));
        for (QString& paragraph : paragraphs) {
            if (fm.horizontalAdvance(paragraph) <= wide) {
                continue;
            }
            QStringList lines;
            QString line;
            for (const QString& word : paragraph.split(QLatin1Char(' '))) {
                if (IsPath(word)) {
                    longest = std::max(longest, fm.horizontalAdvance(word));
                    if (!line.isEmpty()) {
                        lines << line;
                        line.clear();
                    }
                }
                line = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            }
            lines << line;
            paragraph = lines.join(QLatin1Char('\n'));
        }
        setText(paragraphs.join(QLatin1Char('\n')));
        // The label is at least as wide as a paragraph's lines may be, so that the box wraps them (it wraps
        // its text only when the text is wider than that), and as wide as the longest path.
        if (label && longest > 0) {
            label->setMinimumWidth(std::min(std::max(longest, wide), most));
        }
    }

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        const QMargins frame = WindowFit::FrameMargins(this);
        const QSize size = this->size().grownBy(frame);
        const QScreen* screen = WindowFit::ScreenFor(this);
        const QPoint centred = CenteredTopLeft(fArea, size);
        move(screen ? WindowFit::KeepInside(centred, size, screen->availableGeometry()) : centred);
    }

private:
    QRect fArea;
};

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
    // Centred on its window, or on the screen while the window is not on it yet (a message at start-up).
    const QWidget* top = window ? window->window() : nullptr;
    const QScreen* screen = top ? WindowFit::ScreenFor(top) : QGuiApplication::primaryScreen();
    const QRect area = top && top->isVisible() ? top->frameGeometry()
                       : screen                ? screen->availableGeometry()
                                               : QRect(0, 0, 800, 600);
    TMessageBox box(IconOf(kind), TitleOf(kind), text, window, area);
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

QString TRealPrompts::PortInput(QWidget* window, const QString& caption, const QString& message,
                                const QString& value)
{
    TInputDialog dialog(window);
    return dialog.Execute(caption, message, value);
}
