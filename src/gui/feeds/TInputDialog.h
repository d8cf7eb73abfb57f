#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TInputDialog;
}

// The port dialog of the logging server: a read-only message above the edit box "Port Selection", with
// OK and Cancel and no title-bar buttons.
class TInputDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TInputDialog(QWidget* parent = nullptr);
    ~TInputDialog() override;

    // Shows the dialog with a caption, a message and the edit box filled with a value; returns the edit
    // box text on OK, empty text on Cancel.
    QString Execute(const QString& caption, const QString& message, const QString& value);

private:
    std::unique_ptr<Ui::TInputDialog> ui;
};
