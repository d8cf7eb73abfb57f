// The QRZ reply parsers over any reply: a reply is read or refused with EVantrel, never a crash, a
// hang or unbounded memory; the text kept for display is the reply as received.
#include "data/Errors.h"
#include "lookup/Tqrzxml.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray reply = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        (void)Tqrzxml::ParseLogin(reply);
    } catch (const EVantrel&) {
    }
    try {
        QString xml;
        const TCallbookReply r = Tqrzxml::ParseCall(reply, QStringLiteral("K6VTR"), &xml);
        if (r.rec.callsign != QStringLiteral("K6VTR")) {
            abort();
        }
    } catch (const EVantrel&) {
    }
    return 0;
}
