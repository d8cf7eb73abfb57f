#include "TfrmLogTable.h"

#include "ui_TfrmLogTable.h"

#include "TSqlGridModel.h"
#include "data/TDM.h"

TfrmLogTable::TfrmLogTable(IPrompts& prompts, TDM& dm, QWidget* parent)
    : TTableWindow(prompts, parent), ui(std::make_unique<Ui::TfrmLogTable>()), fDM(dm)
{
    ui->setupUi(this);
    Bind(fDM.condb(), ui->DBNavigator1, ui->DBGrid1, false);
    Model()->SetEmptyAsNull(true);
}

TfrmLogTable::~TfrmLogTable() = default;

void TfrmLogTable::Open(const QString& logname)
{
    Model()->Open(logname);
    AutoSizeGridColumns(ui->DBGrid1);
    // The row key is the program's own business, not the operator's.
    const QStringList& columns = Model()->Columns();
    for (int c = 0; c < columns.size(); ++c) {
        ui->DBGrid1->setColumnHidden(c, columns[c].compare(QStringLiteral("pkey"), Qt::CaseInsensitive) == 0);
    }
    if (Model()->rowCount() > 0) {
        ui->DBGrid1->setCurrentIndex(Model()->index(0, 0));
    }
}

void TfrmLogTable::Execute(const QString& logname)
{
    Open(logname);
    ShowModal();
}
