// The readers of FLdigi's log file over any bytes: reading either gives a contact or fails with the
// program's own error, never crashes; a date read is always yyyy-mm-dd.
#include "data/Errors.h"
#include "feeds/ADIFReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const tLogRecord rec = ProcessADIFLine(text);
        if (!rec.date.isEmpty() &&
            (rec.date.size() != 10 || rec.date.at(4) != u'-' || rec.date.at(7) != u'-')) {
            abort();
        }
        if (!rec.vp.isEmpty()) {
            abort();
        }
    } catch (const EVantrel&) {
        // A malformed field: the file is set aside, never lost.
    }
    (void)HasEndOfRecord(text);
    return 0;
}
