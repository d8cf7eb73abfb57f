#pragma once

#include "LogContact.h"

#include <QString>

// What the feeds do to the main window's entry form. The entry form implements it with its own controls
// and event handling, so the feeds fill and log contacts exactly as the operator's clicks do.
class IEntryForm
{
public:
    enum class TField
    {
        Call,
        Name,
        TenTen,
        VP,
        EPC,
        P070
    };

    virtual ~IEntryForm() = default;

    virtual void SetField(TField field, const QString& value) = 0;
    // The mode box shows the text as it is, whether or not the mode list holds it.
    virtual void SetModeText(const QString& text) = 0;
    // Selecting a text: the list entry equal to it (letter case ignored) becomes the selected one; with
    // no such entry the box has no selection and is empty.
    virtual void SelectMode(const QString& text) = 0;
    virtual void SelectQTH(const QString& text) = 0;
    virtual void SelectCounty(const QString& text) = 0;
    // The US choice (state list, county box shown) or the DX choice (country list, county box hidden),
    // with the radio button's own click handling.
    virtual void ChooseUS() = 0;
    virtual void ChooseDX() = 0;
    // The click handling of the QTH box: the county list of the selected state.
    virtual void QTHClick() = 0;
    // The Log button as another program presses it: duplicate check, storing, counters, clearing. No box
    // is shown; a contact that is not logged (no log open, a duplicate) stays in the form.
    virtual TLogResult::TOutcome LogContact() = 0;
    // The call sign in the form.
    virtual QString Call() const = 0;
    virtual void ClearForm() = 0;
    // The call-sign lookup of the form's call sign, when automatic lookup is on.
    virtual void AutoLookupCall() = 0;
    // True while automatic lookup is on.
    virtual bool AutoLookup() const = 0;
};
