// The reader of WSJT-X's and JTDX's UDP messages, then what the listener does with a contact: any datagram
// gives a message or nothing, never a crash. A "QSO Logged" message gives an ADIF record that reads back
// whole (its counts right), and a contact read from a message carries its time as hh:mm.
#include "app/ADIFImport.h"
#include "feeds/WsjtxMessage.h"
#include "process/ADIFRecordReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray datagram(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<TWsjtxMessage> message = ParseWsjtxMessage(datagram);
    if (!message || message->adif.isEmpty()) {
        return 0;
    }
    if (message->type != Wsjtx::kQsoLogged && message->type != Wsjtx::kLoggedAdif) {
        abort();
    }
    TADIFRecordReader reader(message->adif);
    TADIFRecord record;
    const bool read = reader.Next(record);
    if (message->type == Wsjtx::kQsoLogged && (!read || !record.problem.isEmpty() || reader.Next(record))) {
        abort();
    }
    if (read) {
        tLogRecord rec;
        if (ContactFromADIF(record, TCountryTable(), rec).isEmpty() &&
            (rec.time.size() != 5 || rec.time.at(2) != u':')) {
            abort();
        }
    }
    return 0;
}
