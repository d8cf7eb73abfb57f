// The records of an ADIF file as the import reads them, then the contact made of each: any file gives
// records or nothing, never a crash. The reader moves forward at every record, numbers them in turn and
// hands out fields in file order inside the data; a contact carries its date as yyyy-mm-dd and its time as
// hh:mm, and the reason a record is skipped quotes no value at length.
#include "app/ADIFImport.h"
#include "process/ADIFRecordReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// The longest reason a skipped record may give: a field name and a value cut to 60 characters each, and
// the words around them.
constexpr qsizetype kLongestReason = 300;

void Check(bool condition)
{
    if (!condition) {
        abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    const char* const begin = file.constData();
    const char* const end = begin + file.size();
    TADIFRecordReader reader(file);
    TADIFRecord record;
    const TCountryTable countries;
    int number = 0;
    qsizetype position = 0;
    while (reader.Next(record)) {
        Check(reader.Position() > position && reader.Position() <= file.size());
        position = reader.Position();
        Check(record.number == ++number);
        Check(record.problem.size() <= kLongestReason);
        const char* after = begin;
        for (const TADIFRecord::TField& field : record.fields) {
            Check(!field.name.isEmpty() && field.name.data() >= after);
            Check(field.value.data() >= field.name.data() + field.name.size());
            Check(field.value.data() + field.value.size() <= end);
            after = field.value.data() + field.value.size();
        }
        tLogRecord rec;
        const QString reason = ContactFromADIF(record, countries, rec);
        if (reason.isEmpty()) {
            Check(rec.date.size() == 10 && rec.date.at(4) == u'-' && rec.date.at(7) == u'-');
            Check(rec.time.size() == 5 && rec.time.at(2) == u':');
        } else {
            Check(reason.size() <= kLongestReason);
        }
    }
    return 0;
}
