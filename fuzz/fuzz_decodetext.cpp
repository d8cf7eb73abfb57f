// DecodeText over any text: it must not crash, and any text must come back unchanged through
// EncodeText and DecodeText.
#include "data/MyFunc.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)DecodeText(text);

    // Any text comes back unchanged through EncodeText and DecodeText.
    if (DecodeText(EncodeText(text)) != text) {
        abort();
    }
    return 0;
}
