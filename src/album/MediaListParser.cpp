#include "album/MediaListParser.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>

#include <cmath>

namespace
{

// A number, or a decimal number written as text; 0 for anything else,
// including numbers no 64-bit integer holds.
qint64 readInteger(const QJsonValue &value)
{
    if (value.isDouble()) {
        const double d = value.toDouble();
        return std::abs(d) < 9.2e18 ? qint64(d) : 0;
    }
    if (value.isString()) {
        bool ok = false;
        const qint64 n = value.toString().trimmed().toLongLong(&ok);
        return ok ? n : 0;
    }
    return 0;
}

QVariantMap makeItem(const QJsonObject &object, const QString &path)
{
    QVariantMap item;
    const qint64 size = readInteger(object.value(QStringLiteral("filesize")));
    const qint64 time = readInteger(object.value(QStringLiteral("mtime")));
    item.insert(QStringLiteral("path"), path);
    item.insert(QStringLiteral("name"), MediaListParser::fileName(path));
    item.insert(QStringLiteral("type"), MediaListParser::isVideoPath(path)
                                            ? QStringLiteral("video")
                                            : QStringLiteral("photo"));
    item.insert(QStringLiteral("filesize"), size);
    item.insert(QStringLiteral("sizeText"), MediaListParser::sizeText(size));
    item.insert(QStringLiteral("mtime"), time);
    item.insert(QStringLiteral("timeText"), MediaListParser::timeText(time));
    if (object.contains(QStringLiteral("duration"))) {
        const int duration = int(qBound<qint64>(
            0, readInteger(object.value(QStringLiteral("duration"))), 24 * 3600 * 365));
        item.insert(QStringLiteral("duration"), duration);
        item.insert(QStringLiteral("durationText"), MediaListParser::durationText(duration));
    } else {
        item.insert(QStringLiteral("duration"), 0);
        item.insert(QStringLiteral("durationText"), QString());
    }
    return item;
}

} // namespace

QVariantList MediaListParser::parse(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    QString text = QString::fromUtf8(zero < 0 ? bytes : bytes.left(zero)).trimmed();
    if (text.startsWith(QLatin1String("JSON"), Qt::CaseInsensitive))
        text = text.mid(4).trimmed();
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    if (!text.startsWith(QLatin1Char('[')))
        text = QLatin1Char('[') + text + QLatin1Char(']');
    static const QRegularExpression trailingComma(QStringLiteral(",\\s*]"));
    text.replace(trailingComma, QStringLiteral("]"));

    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    QVariantList items;
    if (!document.isArray())
        return items;
    const QJsonArray array = document.array();
    for (const QJsonValue &element : array) {
        if (!element.isObject())
            continue;
        const QJsonObject object = element.toObject();
        const QString path = object.value(QStringLiteral("path")).toVariant().toString();
        if (path.isEmpty())
            continue;
        items.append(makeItem(object, path));
    }
    return items;
}

bool MediaListParser::isVideoPath(const QString &path)
{
    const QString suffix = QFileInfo(fileName(path)).suffix().toLower();
    return suffix == QLatin1String("mp4") || suffix == QLatin1String("mov") ||
           suffix == QLatin1String("avi") || suffix == QLatin1String("mkv");
}

QString MediaListParser::sizeText(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    if (bytes < 1048576)
        return QStringLiteral("%1 KB").arg(double(bytes) / 1024.0, 0, 'f', 1);
    if (bytes >= 1073741824)
        return QStringLiteral("%1 GB").arg(double(bytes) / 1073741824.0, 0, 'f', 1);
    return QStringLiteral("%1 MB").arg(double(bytes) / 1048576.0, 0, 'f', 1);
}

QString MediaListParser::timeText(qint64 time)
{
    if (time <= 0)
        return QStringLiteral("--");
    const qint64 seconds = time > 1000000000000LL ? time / 1000 : time;
    const QDateTime local = QDateTime::fromSecsSinceEpoch(seconds);
    if (!local.isValid())
        return QStringLiteral("--");
    return local.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString MediaListParser::durationText(int seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString MediaListParser::fileName(const QString &path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}
