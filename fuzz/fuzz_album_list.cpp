// Media-list parser under arbitrary bytes: every item it yields has a
// non-empty path and exactly the item keys, and nothing crashes.

#include "album/MediaListParser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const QVariantList items = MediaListParser::parse(bytes);
    for (const QVariant &item : items) {
        const QVariantMap map = item.toMap();
        if (map.size() != 9 || map.value(QStringLiteral("path")).toString().isEmpty())
            std::abort();
    }
    return 0;
}
