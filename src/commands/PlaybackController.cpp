#include "commands/PlaybackController.h"

#include "link/CommandCode.h"
#include "link/Language.h"
#include "link/Payload.h"

#include <QStringList>

namespace
{

constexpr int FileTypeMediaList = 1;
constexpr int FileTypeThumbnail = 2;
constexpr int FileTypeAbort = 7;

int addressPart(const QString &part)
{
    const QString t = part.trimmed();
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok);
    if (ok)
        return int(qBound<qlonglong>(0, v, 255));
    // A run of digits too long for any integer is still a number: saturate it.
    bool digits = !t.isEmpty();
    int start = (t.startsWith(QLatin1Char('+')) || t.startsWith(QLatin1Char('-'))) ? 1 : 0;
    if (start >= t.size())
        digits = false;
    for (int i = start; digits && i < t.size(); ++i)
        digits = t.at(i).isDigit() && t.at(i).unicode() < 0x80;
    if (!digits)
        return 0;
    return t.startsWith(QLatin1Char('-')) ? 0 : 255;
}

QString downloadLabel(int fileType, int startSeq)
{
    if (fileType == FileTypeAbort)
        return Language::pick(QStringLiteral("Stop media download"),
                              QStringLiteral("停止下载媒体"));
    if (startSeq > 0)
        return Language::pick(QStringLiteral("Continue media download"),
                              QStringLiteral("续传媒体文件"));
    if (fileType == FileTypeMediaList)
        return Language::pick(QStringLiteral("Download media list"),
                              QStringLiteral("下载媒体列表"));
    if (fileType == FileTypeThumbnail)
        return Language::pick(QStringLiteral("Download thumbnail"), QStringLiteral("下载缩略图"));
    return Language::pick(QStringLiteral("Download media file"), QStringLiteral("下载媒体文件"));
}

} // namespace

PlaybackController::PlaybackController(QObject *parent) : BaseGimbalController(parent) {}

QByteArray PlaybackController::dottedAddress(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        Payload::appendU8(out, i < parts.size() ? addressPart(parts.at(i)) : 0);
    return out;
}

QByteArray PlaybackController::devicePath(const QString &path)
{
    QByteArray utf8 = path.toUtf8();
    if (utf8.size() > MaxPathBytes)
        utf8.truncate(MaxPathBytes);
    return utf8;
}

void PlaybackController::sendPath(CommandCode::Code code, const QString &path)
{
    const QByteArray bytes = devicePath(path);
    QByteArray p;
    Payload::appendU8(p, bytes.size());
    Payload::appendBytes(p, bytes);
    sendCommand(code, p);
}

void PlaybackController::playbackModeSet(bool on)
{
    sendValue(CommandCode::PlaybackMode, on ? 1 : 2);
}

void PlaybackController::mediaListRefresh()
{
    sendQuery(CommandCode::RefreshMediaList);
}

void PlaybackController::mediaFileDelete(QString path)
{
    sendPath(CommandCode::DeleteMediaFile, path);
}

void PlaybackController::mediaFileDownload(QString path, int fileType, int packetSize, int startSeq,
                                           int totalPackets)
{
    const QByteArray bytes = devicePath(path);
    QByteArray p;
    Payload::appendU8(p, bytes.size());
    Payload::appendU8(p, Payload::clampInt(fileType, 0, 255));
    Payload::appendU16(p, quint16(Payload::clampInt(packetSize, 0, 65535)));
    Payload::appendU32(p, quint32(qMax(startSeq, 0)));
    Payload::appendU8(p, Payload::clampInt(totalPackets, 0, 255));
    Payload::appendBytes(p, bytes);
    sendCommand(CommandCode::DownloadMediaFile, p, downloadLabel(fileType, startSeq));
}

void PlaybackController::videoPlaybackStart(QString path)
{
    sendPath(CommandCode::StartVideoPlayback, path);
}

void PlaybackController::videoPlaybackStop(QString path)
{
    sendPath(CommandCode::StopVideoPlayback, path);
}

void PlaybackController::videoPlaybackPause(QString path)
{
    sendPath(CommandCode::PauseVideoPlayback, path);
}

void PlaybackController::videoPlaybackSeek(QString path, uint32_t seconds)
{
    const QByteArray bytes = devicePath(path);
    QByteArray p;
    Payload::appendU8(p, bytes.size());
    Payload::appendU32(p, seconds);
    Payload::appendBytes(p, bytes);
    sendCommand(CommandCode::SeekVideoPlayback, p);
}

void PlaybackController::playbackClientSet(int type, QString ip, ushort port)
{
    QByteArray p;
    Payload::appendU8(p, Payload::clampInt(type, 0, 255));
    Payload::appendBytes(p, dottedAddress(ip));
    Payload::appendU16(p, port);
    Payload::appendU8(p, 0);
    sendCommand(CommandCode::SetPlaybackClient, p);
}

void PlaybackController::playbackClientGet(int type)
{
    m_lastClientType = type > 0 ? 1 : 0;
    sendValue(CommandCode::GetPlaybackClient, type <= 0 ? 1 : 2);
}

void PlaybackController::ipSet(bool dhcp, QString ip, QString mask, QString gateway)
{
    QByteArray p;
    Payload::appendU8(p, dhcp ? 1 : 0);
    Payload::appendBytes(p, dottedAddress(ip));
    Payload::appendBytes(p, dottedAddress(mask));
    Payload::appendBytes(p, dottedAddress(gateway));
    sendCommand(CommandCode::SetIp, p);
}

void PlaybackController::ipGet()
{
    sendQuery(CommandCode::GetIp);
}
