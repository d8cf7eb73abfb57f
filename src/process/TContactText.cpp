#include "TContactText.h"

namespace {

// Places in ContactColumns().
enum TColumn
{
    kDate,
    kTime,
    kCall,
    kTenten,
    kVp,
    kEpc,
    kP070,
    kMode,
    kName,
    kQth,
    kUscounty,
    kColumnCount
};

// The contact of the values at their places in ContactColumns().
template <typename TValues> TContactText Contact(const TValues& values, const bool (&has)[kColumnCount])
{
    TContactText contact;
    contact.date = values[kDate];
    contact.time = values[kTime];
    contact.call = values[kCall];
    contact.tenten = values[kTenten];
    contact.vp = values[kVp];
    contact.epc = values[kEpc];
    contact.p070 = values[kP070];
    contact.mode = values[kMode];
    contact.name = values[kName];
    contact.qth = values[kQth];
    contact.uscounty = values[kUscounty];
    contact.hasTenten = has[kTenten];
    contact.hasMode = has[kMode];
    contact.hasName = has[kName];
    contact.hasQth = has[kQth];
    return contact;
}

} // namespace

const QStringList& ContactColumns()
{
    static const QStringList columns = {"_date", "_time", "_call", "_tenten", "_vp",      "_epc",
                                        "_p070", "_mode", "_name", "_qth",    "_uscounty"};
    return columns;
}

TContactText ContactText(const TLogRowText& row)
{
    QByteArrayView values[kColumnCount];
    bool has[kColumnCount];
    for (int i = 0; i < kColumnCount; ++i) {
        values[i] = row.Value(i);
        has[i] = row.Has(i);
    }
    return Contact(values, has);
}

TContactCopy::TContactCopy(const TLogRow& row)
{
    bool has[kColumnCount];
    for (int i = 0; i < kColumnCount; ++i) {
        fValues[i] = row.Value(ContactColumns()[i]).toUtf8();
        has[i] = row.Has(ContactColumns()[i]);
    }
    fText = Contact(fValues, has);
}
