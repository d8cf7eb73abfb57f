#pragma once

#include "sync/TShareSettings.h"

#include <QDialog>
#include <memory>

class IPrompts;

namespace Ui {
class TfrmShareLog;
}

// "Share This Log…": the PostgreSQL server of the club (host, port, database, user, password, TLS mode),
// this position's name and whether to join at every start, for the log named in the settings given.
// OK checks the form (a message names what is missing and the field gets the focus); the caller then
// saves Settings() and starts the sharing.
class TfrmShareLog : public QDialog
{
    Q_OBJECT

public:
    TfrmShareLog(IPrompts& prompts, const TShareSettings& settings, QWidget* parent = nullptr);
    ~TfrmShareLog() override;

    // The settings as the form holds them (the log is the one given).
    TShareSettings Settings() const;

    void btnOKClick();

private:
    std::unique_ptr<Ui::TfrmShareLog> ui;
    IPrompts& fPrompts;
    QString fLog;
};
