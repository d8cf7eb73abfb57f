#include "FeedActions.h"

#include "data/tLogRecord.h"

namespace {

using TField = IEntryForm::TField;

void ApplyUpdate(const QStringList& f, IEntryForm& form)
{
    form.SetField(TField::Call, f.at(0));
    form.SetField(TField::Name, f.at(1));
    form.SetField(TField::TenTen, f.at(2));
    form.SetField(TField::VP, f.at(3));
    QString mode = f.at(4).toUpper();
    mode.replace(QStringLiteral("BPSK"), QStringLiteral("PSK"));
    form.SelectMode(mode);
    form.SetField(TField::EPC, f.at(5));
    form.SetField(TField::P070, f.at(6));
    if (IsUnitedStates(f.at(7))) {
        form.ChooseUS();
        form.SelectQTH(f.at(8));
        form.QTHClick();
        form.SelectCounty(f.at(9));
    } else {
        form.ChooseDX();
        form.SelectQTH(f.at(7));
    }
    form.AutoLookupCall();
}

// One entry field; unlike UPDATE, a state given here does not reload the county list.
void ApplyField(const QStringList& f, IEntryForm& form)
{
    const QString& key = f.at(0);
    const QString& value = f.at(1);
    if (key == QStringLiteral("CALL")) {
        form.SetField(TField::Call, value);
    } else if (key == QStringLiteral("NAME")) {
        form.SetField(TField::Name, value);
    } else if (key == QStringLiteral("TENTEN")) {
        form.SetField(TField::TenTen, value);
    } else if (key == QStringLiteral("VP")) {
        form.SetField(TField::VP, value);
    } else if (key == QStringLiteral("MODE")) {
        form.SetModeText(value);
    } else if (key == QStringLiteral("EPC")) {
        form.SetField(TField::EPC, value);
    } else if (key == QStringLiteral("070")) {
        form.SetField(TField::P070, value);
    } else if (key == QStringLiteral("qth")) {
        if (IsUnitedStates(value)) {
            form.ChooseUS();
            form.SelectQTH(f.at(2));
        } else {
            form.ChooseDX();
            form.SelectQTH(value);
        }
    } else if (key == QStringLiteral("COUNTY")) {
        form.SelectCounty(value);
    }
}

} // namespace

std::optional<TLogResult::TOutcome> ApplyServerCommand(const TServerCommand& command, IEntryForm& form)
{
    switch (command.kind) {
    case TServerCommandKind::Update:
        ApplyUpdate(command.fields, form);
        break;
    case TServerCommandKind::Log:
        return form.LogContact();
    case TServerCommandKind::Clear:
        form.ClearForm();
        break;
    case TServerCommandKind::Field:
        ApplyField(command.fields, form);
        break;
    case TServerCommandKind::None:
        break;
    }
    return std::nullopt;
}

void FillFormFromContact(const tLogRecord& rec, IEntryForm& form)
{
    form.SetField(TField::Call, rec.call);
    form.SetField(TField::Name, rec.name);
    form.SetField(TField::TenTen, rec.tenten);
    form.SetField(TField::EPC, rec.epc);
    form.SetField(TField::P070, rec.p070);
    if (!rec.vp.isEmpty()) {
        form.SetField(TField::VP, rec.vp);
    }
    form.SetModeText(rec.mode);
    // A two-letter QTH is a US state; "DX", which stands for a country, is not.
    if (rec.qth.size() == 2 && rec.qth != QStringLiteral("DX")) {
        form.ChooseUS();
        form.SelectQTH(rec.qth);
        form.QTHClick();
    } else {
        form.ChooseDX();
        form.SelectQTH(rec.qth);
    }
}
