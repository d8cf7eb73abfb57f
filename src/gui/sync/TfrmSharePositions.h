#pragma once

#include <QTimer>
#include <QWidget>
#include <memory>

class TSharedLog;

namespace Ui {
class TfrmSharePositions;
}

// The positions of a shared log, as Display shows them: each position's name, its contacts in the local
// log, its latest contact and when it was last in touch with the server, under the sharing's state. The
// window follows the sharing by itself (new contacts of any position, positions joining, the state) while
// it is shown.
class TfrmSharePositions : public QWidget
{
    Q_OBJECT

public:
    explicit TfrmSharePositions(TSharedLog& share, QWidget* parent = nullptr);
    ~TfrmSharePositions() override;

    // Reads the list again now.
    void Refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Many changes in a burst make one refresh.
    void RefreshSoon();

    std::unique_ptr<Ui::TfrmSharePositions> ui;
    TSharedLog& fShare;
    QTimer fSoon;
};
