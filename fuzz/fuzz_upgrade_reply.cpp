// Feeds arbitrary camera answers to the start-upgrade reply handling: the
// first two bytes pick the HTTP status (any value 0..65535, so missing,
// unusual and out-of-range statuses are covered), the third how the body is
// made: the remaining bytes as they are, or wrapped into the reply object the
// camera normally sends (the JSON parser is not instrumented, so raw bytes
// alone would rarely reach the code and message rules). The snippet used for
// upload refusals is checked on the same bytes.

#include "upgrade/UpgradeStartReply.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{

QByteArray makeBody(int mode, const QByteArray &rest)
{
    switch (mode % 4) {
    case 1: { // a well-formed reply: code from four bytes, message from the rest
        qint32 code = 0;
        std::memcpy(&code, rest.leftJustified(4, '\0').constData(), 4);
        if (rest.size() > 4 && rest.at(4) & 1)
            code &= 7; // small codes, 0 among them, come up often
        const QJsonObject reply{{QStringLiteral("code"), code},
                                {QStringLiteral("message"), QString::fromUtf8(rest.mid(5))}};
        return QJsonDocument(reply).toJson(QJsonDocument::Compact);
    }
    case 2: // any token as the code
        return "{\"code\":" + rest + ",\"message\":\"m\"}";
    case 3: // any text as the message
        return "{\"code\":0,\"message\":\"" + rest + "\"}";
    default:
        return rest;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    const int status = int(data[0]) | (int(data[1]) << 8);
    const QByteArray rest(reinterpret_cast<const char *>(data + 3), int(size - 3));
    const QByteArray body = makeBody(data[2], rest);

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
