#pragma once

#include <QDialog>
#include <memory>

class IPrompts;

namespace Ui {
class TFLDigiConfig;
}

// The FLdigi setup dialog: the path of FLdigi's temporary log file, the poll interval and auto logging.
// The caller reads the values after OK and makes them current.
class TFLDigiConfig : public QDialog
{
    Q_OBJECT

public:
    TFLDigiConfig(IPrompts& prompts, const QString& path, int interval, bool autoLog,
                  QWidget* parent = nullptr);
    ~TFLDigiConfig() override;

    QString Path() const;
    // 500, 750, 1000 or 1500 ms, by the selected button.
    int Interval() const;
    bool AutoLog() const;

    // "...": a file picker starting in the folder of the current path.
    void btnPathClick();

private:
    std::unique_ptr<Ui::TFLDigiConfig> ui;
    IPrompts& fPrompts;
};
