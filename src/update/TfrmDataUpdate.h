#pragma once

#include "RosterUpdate.h"

#include <QDialog>
#include <QMap>
#include <memory>

class IPrompts;
class QLabel;
class QProgressBar;
class TDM;
class TSettings;

namespace Ui {
class TfrmDataUpdate;
}

// The "Data Update" dialog: the operator ticks the club rosters to refresh and OK downloads and loads
// them, each roster's bar showing its lines as they load and its "Completed" label once it is in. The
// work is RosterUpdate's; the dialog shows it. A failure is shown and the dialog stays open, every
// roster that did not complete left exactly as it was.
class TfrmDataUpdate : public QDialog
{
    Q_OBJECT

public:
    TfrmDataUpdate(TDM& dm, TSettings& settings, IPrompts& prompts, QWidget* parent = nullptr);
    ~TfrmDataUpdate() override;

    // OK: downloads every ticked roster and checks that each file is its roster, then loads them in the
    // order Ten-Ten, VP, EPC, 070 (LoadRosters), tells the operator, and closes the dialog with OK.
    void Button1Click();

    bool TenComplete() const { return fTenComplete; }
    bool VPComplete() const { return fVPComplete; }
    bool EPCComplete() const { return fEPCComplete; }
    bool P070Complete() const { return fP070Complete; }
    // Each shows or hides its roster's "Completed" label and repaints the dialog at once.
    void SetTenComplete(bool value);
    void SetVPComplete(bool value);
    void SetEPCComplete(bool value);
    void SetP070Complete(bool value);

    // True while OK's work runs; the dialog cannot be closed meanwhile.
    bool Running() const { return fRunning; }

    // The closing message: "Update is now complete", followed by the lines each roster skipped.
    static QString CompleteMessage(const QMap<TRoster, int>& skipped);

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QProgressBar* Bar(TRoster roster) const;
    void SetComplete(TRoster roster, bool value);
    void ShowComplete(QLabel* label, bool value);
    QList<TRoster> Ticked() const;

    std::unique_ptr<Ui::TfrmDataUpdate> ui;
    TDM& fDM;
    TSettings& fSettings;
    IPrompts& fPrompts;
    bool fTenComplete = false;
    bool fVPComplete = false;
    bool fEPCComplete = false;
    bool fP070Complete = false;
    bool fRunning = false;
    QMap<TRoster, int> fSkipped;
};
