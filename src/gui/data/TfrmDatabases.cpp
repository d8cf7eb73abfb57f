#include "TfrmDatabases.h"

#include "ui_TfrmDatabases.h"

#include "TSqlGridModel.h"
#include "data/TDM.h"

TfrmDatabases::TfrmDatabases(IPrompts& prompts, TDM& dm, QWidget* parent)
    : TTableWindow(prompts, parent), ui(std::make_unique<Ui::TfrmDatabases>()), fDM(dm)
{
    ui->setupUi(this);
    setFixedSize(847, 465);
    Bind(fDM.conConfig(), ui->DBNavigator1, ui->DBGrid1, true);
}

TfrmDatabases::~TfrmDatabases() = default;

void TfrmDatabases::Open(const QString& table)
{
    // Member numbers are stored as text; they are listed by their value, so 9 comes before 10.
    const QString order =
        table == QStringLiteral("EPC") ? QStringLiteral("cast(number as integer), number") : QString();
    Model()->Open(table, order);
    setWindowTitle(QStringLiteral("Showing Table - ") + table);
    for (int c = 0; c < Model()->columnCount(); ++c) {
        ui->DBGrid1->setColumnHidden(c, c == Model()->columnCount() - 1);
    }
    if (Model()->rowCount() > 0) {
        ui->DBGrid1->setCurrentIndex(Model()->index(0, 0));
    }
}

void TfrmDatabases::Execute(const QString& table)
{
    Open(table);
    ShowModal();
}
