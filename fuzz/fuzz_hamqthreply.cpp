// The HamQTH reply parsers over any reply: a reply is read or refused with EVantrel, never a crash, a
// hang or unbounded memory.
#include "data/Errors.h"
#include "lookup/THamQTHxml.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray reply = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        (void)THamQTHxml::ParseLogin(reply);
    } catch (const EVantrel&) {
    }
    try {
        const TCallbookReply r = THamQTHxml::ParseCall(reply, QStringLiteral("OK1VTR"));
        if (r.rec.callsign != QStringLiteral("OK1VTR")) {
            abort();
        }
    } catch (const EVantrel&) {
    }
    return 0;
}
