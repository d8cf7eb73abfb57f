// The spot line reader of the cluster client over any line, and the spot command made from what it read:
// no line may crash it, a spot carries a call sign and a frequency, its texts hold no control character,
// and the command made from a 10 m spot is one line.
#include "cluster/SpotLine.h"
#include "data/Errors.h"
#include "feeds/TRigControl.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool HasControl(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray line(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<TSpot> spot = ParseSpotLine(line);
    if (!spot) {
        return 0;
    }
    if (line.size() > kMaxClusterLine || !LooksLikeCall(spot->call) || spot->hertz <= 0 ||
        HasControl(spot->comment) || HasControl(spot->spotter)) {
        abort();
    }
    if (IsTenMetres(spot->hertz)) {
        try {
            const QByteArray command = SpotCommand(spot->hertz, spot->call, spot->comment);
            if (command.count('\n') != 1 || command.count('\r') != 1 || !command.endsWith("\r\n")) {
                abort();
            }
        } catch (const EVantrel&) {
            abort(); // a spot read from a line is always one that can be sent
        }
    }
    return 0;
}
