#include "TLookupPanel.h"

#include "ui_TfrmMain.h"

#include "app/TCurrentLog.h"
#include "data/Errors.h"
#include "data/LogRules.h"
#include "data/Prompts.h"
#include "data/ReferenceLookup.h"
#include "data/TMysettings.h"
#include "lookup/LookupText.h"
#include "lookup/TLookup.h"

#include <QLabel>

TLookupPanel::TLookupPanel(Ui::TfrmMain& form, IPrompts& prompts, TDM& dm, TCurrentLog& log, TLookup& lookup,
                           TOwnGrid grid, TQuiet quiet, QWidget* window)
    : ui(&form), fPrompts(prompts), fDM(dm), fLog(log), fLookup(lookup), fGrid(std::move(grid)),
      fQuiet(std::move(quiet)), fWindow(window)
{
    ui->TextBox3->setStyleSheet(QStringLiteral("QLabel#TextBox3 { padding: 6px; }"));
    ui->TextBox3->setAutoFillBackground(true);
    ui->TextBox3->setBackgroundRole(QPalette::Base);
    ui->TextBox3->setForegroundRole(QPalette::Text);
    lblLookupStatus = new QLabel(ui->pnlStatus);
    lblLookupStatus->setObjectName(QStringLiteral("lblLookupStatus"));
    lblLookupStatus->setFrameShape(QFrame::Panel);
    lblLookupStatus->setFrameShadow(QFrame::Sunken);
    lblLookupStatus->hide();
    ui->pnlStatus->layout()->addWidget(lblLookupStatus);
    connect(ui->btnShowXML, &QPushButton::clicked, this, &TLookupPanel::btnShowXMLClick);
}

void TLookupPanel::LookupCallsign()
{
    // A source that fails is reported here; the panel then keeps what it showed.
    TFccRec r;
    const int type = fLog.Record().LookupType;
    try {
        r = fLookup.LookupCall(ui->txtCallsign->text(), type);
    } catch (...) {
        ShowLookupFailure(type, std::current_exception());
        return;
    }
    // The source answers again: a later failure is worth a box again.
    fFailedLookups.remove(type);
    const bool wasFailing = !lblLookupStatus->isHidden();
    lblLookupStatus->hide();
    if (wasFailing) {
        emit StateChanged();
    }
    if (r.callsign.isEmpty()) {
        ui->TextBox3->clear();
    } else {
        const QString text = LookupText(r);
        emit Found(r);
        ui->TextBox3->setText(text);
    }
    // Bearing and distance need both ends: without the station's locator (or an own one) there is no line.
    if (r.grid.isEmpty() || fGrid().isEmpty()) {
        ui->lblBD->clear();
    } else {
        ui->lblBD->setText(BearingLine(fLookup.HamUtil(), fGrid(), r.grid));
    }
    // The result is what the operator looks at next.
    ui->PageControl1->setCurrentIndex(0);
    fWindow->repaint();
}

void TLookupPanel::btnShowXMLClick()
{
    ShowCenteredMessage(fPrompts, fWindow, fLookup.GetQRZ_XML(), MsgKind::Information, MsgButton::OK);
}

void TLookupPanel::ShowPrefixCountry()
{
    const QString call = ui->txtCallsign->text();
    if (call.isEmpty() || !fLog.IsCurrent()) {
        return;
    }
    QString country;
    RunGuarded(fPrompts, fWindow, [&] { country = CountryOfCall(fDM, call); });
    if (!country.isEmpty()) {
        ui->TextBox3->setText(call + QStringLiteral("\nCountry: ") + country);
    }
}

void TLookupPanel::ShowLookupFailure(int lookupType, const std::exception_ptr& error)
{
    QString message;
    try {
        std::rethrow_exception(error);
    } catch (const EVantrel& e) {
        message = e.Message();
    } catch (const std::exception& e) {
        message = QString::fromLocal8Bit(e.what());
    } catch (...) {
        message = QStringLiteral("Unknown error");
    }
    // The first failure of a source is shown in a box; the next ones only here, so that a dead
    // service does not stop the operator at every call.
    // A lookup that a feed started never stops the feed with a box: the note below says it.
    if (!fQuiet() && !fFailedLookups.contains(lookupType)) {
        fFailedLookups.insert(lookupType);
        ShowActionError(fPrompts, fWindow, error);
    }
    const QString line = QStringLiteral("Lookup failed: ") + message.section(QLatin1Char('\n'), 0, 0);
    lblLookupStatus->setText(QLatin1Char(' ') + line + QLatin1Char(' '));
    lblLookupStatus->setToolTip(message);
    lblLookupStatus->show();
    ShowPrefixCountry();
    const QString country = ui->TextBox3->text();
    ui->TextBox3->setText(country.isEmpty() ? line : country + QStringLiteral("\n\n") + line);
    ui->lblBD->clear();
    emit StateChanged();
}

QString TLookupPanel::Problem() const
{
    return lblLookupStatus->isHidden() ? QString() : lblLookupStatus->toolTip();
}
