#include "video/VideoStreamInfo.h"

QString VideoStreamInfo::displayCodecName(const char *shortName)
{
    const QString name = QString::fromLatin1(shortName ? shortName : "");
    const QString lower = name.toLower();
    if (lower.isEmpty())
        return QString();
    if (lower == QLatin1String("h264"))
        return QStringLiteral("H.264");
    if (lower == QLatin1String("hevc") || lower == QLatin1String("h265"))
        return QStringLiteral("H.265");
    if (lower == QLatin1String("mpeg4"))
        return QStringLiteral("MPEG-4");
    if (lower == QLatin1String("mjpeg"))
        return QStringLiteral("MJPEG");
    return name.toUpper();
}

void VideoStreamInfo::registerMetaType()
{
    static const int id = qRegisterMetaType<VideoStreamInfo>("VideoStreamInfo");
    Q_UNUSED(id)
}
