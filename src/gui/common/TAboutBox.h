#pragma once

#include "VersionInfo.h"

#include <QDialog>
#include <memory>

class IPrompts;

namespace Ui {
class TAboutBox;
}

// "About": the program icon, product name, version, copyright and trademarks, comments and the
// operating system, from the version information of the running program's own file.
class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    // Fills the box; an error reading the version information is shown through the prompts, and the box
    // then keeps the icon and its designed captions.
    TAboutBox(IPrompts& prompts, QWidget* parent = nullptr);
    ~TAboutBox() override;

    // The version information read when the box was created.
    const TEXEVersionData& osVer() const { return fosVer; }

private:
    void FormCreate();
    void OKButtonClick();

    std::unique_ptr<Ui::TAboutBox> ui;
    TEXEVersionData fosVer;
};
