#include "upgrade/UpgradeStartReply.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <cmath>
#include <limits>

namespace
{

QString pick(bool chinese, const char *english, const char *chineseText)
{
    return chinese ? QString::fromUtf8(chineseText) : QString::fromUtf8(english);
}

// "code" as a whole number; anything else (absent, text, fraction, out of
// range) counts as -1, which is never success.
int codeOf(const QJsonValue &value)
{
    if (!value.isDouble())
        return -1;
    const double d = value.toDouble();
    if (!std::isfinite(d) || d != std::floor(d) || d < std::numeric_limits<int>::min() ||
        d > std::numeric_limits<int>::max())
        return -1;
    return int(d);
}

} // namespace

QString UpgradeStartReply::snippet(const QByteArray &body)
{
    const int zero = body.indexOf('\0');
    QString text = QString::fromUtf8(zero < 0 ? body : body.left(zero));
    if (text.size() > SnippetLength) {
        int length = SnippetLength;
        if (text.at(length - 1).isHighSurrogate())
            --length;
        text.truncate(length);
    }
    return text;
}

UpgradeStartReply UpgradeStartReply::evaluate(int httpStatus, const QByteArray &body, bool chinese)
{
    const QString failed = pick(chinese, "Start upgrade failed", "启动升级失败");
    const QString started = pick(chinese, "Upgrade started", "升级已启动");
    const QString dash = QStringLiteral(" — ");
    UpgradeStartReply reply;

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error == QJsonParseError::NoError && document.isObject()) {
        const QJsonObject object = document.object();
        const int code = codeOf(object.value(QLatin1String("code")));
        const QString message = object.value(QLatin1String("message")).toString();
        // Code 0 counts only when the HTTP exchange itself succeeded: an error
        // status with a code-0 body is not an accepted start.
        if (code == 0 && isSuccessStatus(httpStatus)) {
            reply.ok = true;
            reply.message = message.isEmpty() ? started : message;
            return reply;
        }
        if (code != 0) {
            reply.message = failed + QStringLiteral(" (code=%1)").arg(code);
            if (!message.isEmpty())
                reply.message += dash + message;
            return reply;
        }
    }

    if (isSuccessStatus(httpStatus)) {
        reply.ok = true;
        reply.message = started;
        return reply;
    }
    reply.message = failed;
    const QString text = snippet(body);
    if (!text.isEmpty())
        reply.message += dash + text;
    return reply;
}
