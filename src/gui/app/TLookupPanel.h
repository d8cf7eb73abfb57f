#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <exception>
#include <functional>

class IPrompts;
class QLabel;
class QWidget;
class TCurrentLog;
class TDM;
class TLookup;
struct TFccRec;

namespace Ui {
class TfrmMain;
}

// The lookup panel beside the entry form: the call sign of the form looked up with the log's source, the
// result with bearing and distance from the own locator, the country of the call's prefix when there is no
// lookup, and a failing source said in the panel and the status bar (in a box only at its first failure).
class TLookupPanel : public QObject
{
    Q_OBJECT

public:
    // The own grid locator, read at each lookup.
    using TOwnGrid = std::function<QString()>;
    // True while a lookup must not stop the operator with a box (a feed started it).
    using TQuiet = std::function<bool()>;

    TLookupPanel(Ui::TfrmMain& form, IPrompts& prompts, TDM& dm, TCurrentLog& log, TLookup& lookup,
                 TOwnGrid grid, TQuiet quiet, QWidget* window);

    // Looks up the call sign of the entry form and shows the result; Found offers it to the form.
    void LookupCallsign();
    // The country of the call sign's prefix in the panel.
    void ShowPrefixCountry();
    // Debug: the last XML reply of the call-book service in a box.
    void btnShowXMLClick();
    // Why the log's lookup source failed last, empty while it answers.
    QString Problem() const;

signals:
    // A lookup found a station, before the panel shows it: the entry form may fill itself from it.
    void Found(const TFccRec& r);
    // The lookup source started or stopped failing.
    void StateChanged();

private:
    // A lookup failure: a box the first time for a source, then only the panel and the status bar.
    void ShowLookupFailure(int lookupType, const std::exception_ptr& error);

    Ui::TfrmMain* ui;
    IPrompts& fPrompts;
    TDM& fDM;
    TCurrentLog& fLog;
    TLookup& fLookup;
    TOwnGrid fGrid;
    TQuiet fQuiet;
    QWidget* fWindow;
    QLabel* lblLookupStatus = nullptr;
    // Lookup sources whose failure has been shown in a box during this run, until one of their lookups
    // succeeds again.
    QSet<int> fFailedLookups;
};
