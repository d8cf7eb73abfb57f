#pragma once

#include "gui/app/TfrmMain.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

// The demonstration log of the screenshot tools: an Open Season log of W7VNT, made current in the main
// window, and the contacts typed into its entry form.
namespace DemoLog {

struct TContact
{
    const char *call, *name, *tenten, *mode, *state, *county;
};

// Creates the log (not yet selected) and returns its settings.
inline TMysettings Create(TfrmMain& w)
{
    TMysettings rec;
    rec.TableName = QStringLiteral("W7VNT_2026_Open_Season");
    rec.ContestName = QStringLiteral("Open Season");
    rec.Callsign = QStringLiteral("W7VNT");
    rec.ContestMode = QStringLiteral("SSB");
    w.DM().CreateLog(rec);
    return rec;
}

// Selects the first log of the Logs list.
inline void SelectFirst(TfrmMain& w)
{
    w.DoOpen();
    w.findChild<QListWidget*>(QStringLiteral("ListBox1"))->setCurrentRow(0);
    w.ListBox1Click();
}

// Types a contact into the entry form; an empty mode or state leaves that box as it is.
inline void Fill(TfrmMain& w, const TContact& c)
{
    w.findChild<QLineEdit*>(QStringLiteral("txtCallsign"))->setText(QString::fromUtf8(c.call));
    w.findChild<QLineEdit*>(QStringLiteral("txtName"))->setText(QString::fromUtf8(c.name));
    w.findChild<QLineEdit*>(QStringLiteral("txtTenTen"))->setText(QString::fromUtf8(c.tenten));
    if (*c.mode) {
        w.findChild<QComboBox*>(QStringLiteral("cboMode"))->setEditText(QString::fromUtf8(c.mode));
    }
    if (*c.state) {
        w.findChild<QComboBox*>(QStringLiteral("cboQTH"))->setEditText(QString::fromUtf8(c.state));
    }
    w.findChild<QComboBox*>(QStringLiteral("cboCounty"))->setEditText(QString::fromUtf8(c.county));
}

// Logs the contacts one after the other, as typed.
inline void LogAll(TfrmMain& w, std::initializer_list<TContact> contacts)
{
    for (const TContact& c : contacts) {
        Fill(w, c);
        w.DoLog();
    }
}

} // namespace DemoLog
