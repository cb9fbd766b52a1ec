// Feeds arbitrary camera answers to the start-upgrade reply handling: the
// first two bytes pick the HTTP status (any value 0..65535, so missing,
// unusual and out-of-range statuses are covered), the rest is the body. The
// snippet used for upload refusals is checked on the same bytes.

#include "upgrade/UpgradeStartReply.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const int status = int(data[0]) | (int(data[1]) << 8);
    const QByteArray body(reinterpret_cast<const char *>(data + 2), int(size - 2));

    for (bool chinese : {false, true}) {
        const UpgradeStartReply reply = UpgradeStartReply::evaluate(status, body, chinese);
        // Every outcome carries a text, and success needs a success status.
        if (reply.message.isEmpty())
            std::abort();
        if (reply.ok && !UpgradeStartReply::isSuccessStatus(status))
            std::abort();
    }
    const QString snippet = UpgradeStartReply::snippet(body);
    if (snippet.size() > UpgradeStartReply::SnippetLength ||
        (!snippet.isEmpty() && snippet.back().isHighSurrogate()))
        std::abort();
    return 0;
}
