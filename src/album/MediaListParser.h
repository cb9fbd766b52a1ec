#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

// Turns the camera's media list (a JSON array of objects, as loosely written
// as cameras write it) into media item maps with the keys "path", "name",
// "type", "filesize", "sizeText", "mtime", "timeText", "duration" and
// "durationText". Tolerates a leading "JSON" word, a byte-order mark, a
// single object without brackets, trailing commas, numbers written as text
// and a terminating zero byte. Anything else gives an empty list.
class MediaListParser
{
public:
    static QVariantList parse(const QByteArray &bytes);

    // "video" for mp4, mov, avi and mkv (any case), otherwise "photo".
    static bool isVideoPath(const QString &path);
    // "512 B", "2.0 KB", "1.5 MB", "4.0 GB".
    static QString sizeText(qint64 bytes);
    // "yyyy-MM-dd HH:mm" in local time; values above 10^12 are milliseconds.
    // "--" for a time that is not positive.
    static QString timeText(qint64 time);
    // "m:ss".
    static QString durationText(int seconds);
    // The last component of a device path (after the last '/').
    static QString fileName(const QString &path);
};
