// DecodeText over any text: it must not crash, and text made of ASCII and characters above 255 must
// come back unchanged through EncodeText and DecodeText.
#include "data/MyFunc.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)DecodeText(text);

    // Characters 128 to 255 may pair up into the UTF-8 form of a character above 255 when decoded,
    // which the coding cannot tell apart; U+FFFD stands for bytes that were not UTF-8.
    bool roundTrips = true;
    for (const char32_t code : text.toUcs4()) {
        if ((code >= 0x80 && code <= 0xFF) || code == 0xFFFD) {
            roundTrips = false;
            break;
        }
    }
    if (roundTrips && DecodeText(EncodeText(text)) != text) {
        abort();
    }
    return 0;
}
