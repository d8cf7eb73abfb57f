#pragma once

#include "data/LogQueries.h"
#include "data/TLogRow.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <array>

// A contact's values as the output files take them: UTF-8 text, viewed where it lies (the row being read,
// or a TContactCopy).
struct TContactText
{
    QByteArrayView date, time, call, tenten, vp, epc, p070, mode, name, qth, uscounty;
    // Whether the log has these columns: the ADIF export writes no field for a column the log lacks.
    bool hasTenten = false;
    bool hasMode = false;
    bool hasName = false;
    bool hasQth = false;

    // The bytes of all values together.
    qsizetype Size() const
    {
        return date.size() + time.size() + call.size() + tenten.size() + vp.size() + epc.size() +
               p070.size() + mode.size() + name.size() + qth.size() + uscounty.size();
    }
};

// The columns the output files read, in the order ContactText expects them.
const QStringList& ContactColumns();

// The contact of a row read with ContactColumns().
TContactText ContactText(const TLogRowText& row);

// The contact of a log row held as QString values, with its own copy of the text in UTF-8.
class TContactCopy
{
public:
    explicit TContactCopy(const TLogRow& row);
    const TContactText& Text() const { return fText; }

private:
    std::array<QByteArray, 11> fValues;
    TContactText fText;
};
