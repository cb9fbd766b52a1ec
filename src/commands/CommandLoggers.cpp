#include "commands/CommandLoggers.h"

#include "commands/CommandCatalog.h"
#include "commands/DownloadStatusView.h"
#include "link/CommandCode.h"
#include "link/FrameCodec.h"
#include "link/Language.h"
#include "link/TransportManager.h"
#include "log/LogBridge.h"

namespace
{

QString hex8(uint32_t value)
{
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0'));
}

// The frame's own label, or the code's name when it was sent without one.
QString labelOr(quint16 code, const QString &label)
{
    return label.isEmpty() ? commandDisplayName(code) : label;
}

QString reasonText(const QString &reason)
{
    if (reason == QLatin1String("link_closed"))
        return Language::pick(QStringLiteral("Link is not open"), QStringLiteral("链路未打开"));
    if (reason == QLatin1String("payload_too_large"))
        return Language::pick(QStringLiteral("Payload exceeds protocol limit"),
                              QStringLiteral("payload 长度超出协议限制"));
    if (reason == QLatin1String("send_failed"))
        return Language::pick(QStringLiteral("Send failed"), QStringLiteral("发送失败"));
    return reason;
}

} // namespace

CommandLoggers::CommandLoggers(TransportManager *manager, LogBridge *log,
                               const DownloadStatusView *album, QObject *parent)
    : QObject(parent), m_manager(manager), m_log(log), m_album(album)
{
    // Replies that come after the link went down answer nothing sent before.
    if (manager)
        connect(manager, &TransportManager::connectionChanged, this, [this](bool open) {
            if (!open)
                m_pending.clear();
        });
}

void CommandLoggers::onCommandSent(uint32_t msgID, QString channel, QByteArray frame, QString label)
{
    const quint16 code = FrameCodec::commandCode(msgID);
    label = labelOr(code, label);
    m_pending.append({msgID, FrameCodec::sequenceOf(frame), label});
    if (!m_log)
        return;
    const QString medium = m_manager ? m_manager->mediumName() : QStringLiteral("-");
    m_log->appendRaw(QStringLiteral("TX"), medium, channel, frame);
    const QString length = QString::number(frame.size());
    // Speed control streams while a pad key is held; one user line per frame
    // would bury everything else. Other repeats (the time sync sent again
    // while the camera is silent) are one line with a count.
    if (code != CommandCode::GimbalSpeedControl)
        m_log->appendCollapsing(Language::pick(QStringLiteral("[%1 TX] Sent %2 (%3B)"),
                                               QStringLiteral("[%1 TX] 已发送%2 (%3B)"))
                                    .arg(channel, label, length));
    m_log->appendDebug(QStringLiteral("[%1 TX] MsgID=0x%2  %3  Len=%4  Data=%5")
                           .arg(channel, hex8(msgID), label, length, LogBridge::hexBytes(frame)));
}

void CommandLoggers::onCommandDropped(uint32_t msgID, QString reason, QString label)
{
    if (!m_log)
        return;
    const quint16 code = FrameCodec::commandCode(msgID);
    label = labelOr(code, label);
    const QString channel = m_manager ? m_manager->channelName() : QStringLiteral("-");
    m_log->append(Language::pick(QStringLiteral("[%1 TX] Did not send %2 \u2014 %3"),
                                 QStringLiteral("[%1 TX] 未发送%2 \u2014 %3"))
                      .arg(channel, label, reasonText(reason)));
    m_log->appendDebug(QStringLiteral("[%1 TX Dropped] MsgID=0x%2  %3  %4")
                           .arg(channel, hex8(msgID), label, reason));
}

bool CommandLoggers::ignoresDownloadFailure(const QString &label) const
{
    // Stopping, resuming and thumbnail requests are refused routinely by a
    // device that has nothing to stop or resume; so are follow-ups while a
    // download is already flowing.
    for (const char *word : {"停止", "续传", "缩略图"}) {
        if (label.contains(QString::fromUtf8(word), Qt::CaseSensitive))
            return true;
    }
    for (const char *word : {"Stop", "Continue", "thumbnail"}) {
        if (label.contains(QLatin1String(word), Qt::CaseInsensitive))
            return true;
    }
    return m_album && m_album->downloading() && m_album->downloadProgress() > 0;
}

QString CommandLoggers::answeredLabel(quint16 code, int sequence)
{
    const std::optional<SentFrames::Frame> frame = m_pending.takeAnswered(code, sequence);
    return frame ? frame->label : commandDisplayName(code);
}

void CommandLoggers::onAckReceived(uint32_t msgID, uint16_t code, int sequence)
{
    const quint16 command = FrameCodec::commandCode(msgID);
    const QString label = answeredLabel(command, sequence);
    if (!m_log)
        return;
    const QString result = QString::number(code);
    // Replies repeat while the pad is held (one per frame, every 30 ms or so):
    // a run of the same reply is one line with a count.
    if (code == 0) {
        m_log->appendCollapsing(Language::pick(QStringLiteral("Received reply for %1 command"),
                                               QStringLiteral("收到%1指令的回复"))
                                    .arg(label));
    } else if (command == CommandCode::DownloadMediaFile && ignoresDownloadFailure(label)) {
        m_log->appendDebug(QStringLiteral("[ACK] MsgID=0x%1  Code=%2  %3 (ignored)")
                               .arg(hex8(msgID), result, label));
        return;
    } else {
        m_log->appendCollapsing(
            Language::pick(QStringLiteral("%1 command failed (code=0x%2)"),
                           QStringLiteral("%1指令执行失败 (code=0x%2)"))
                .arg(label, QStringLiteral("%1").arg(code, 4, 16, QLatin1Char('0'))));
    }
    m_log->appendDebug(
        QStringLiteral("[ACK] MsgID=0x%1  Code=%2  %3").arg(hex8(msgID), result, label));
}

void CommandLoggers::onCommandUnanswered(uint32_t msgID, QString label, int sequence)
{
    // The frame will not be answered any more: a later reply of its code is
    // for a later frame.
    const quint16 code = FrameCodec::commandCode(msgID);
    m_pending.remove(msgID, sequence);
    if (!m_log)
        return;
    label = labelOr(code, label);
    // A held pad key streams frames; a camera that is gone leaves each
    // unanswered, which is one line with a count.
    m_log->appendCollapsing(Language::pick(QStringLiteral("[Link/NoAnswer] %1: no answer from the "
                                                          "camera"),
                                           QStringLiteral("[链路/无应答] %1：相机无应答"))
                                .arg(label));
    m_log->appendDebug(QStringLiteral("[No Answer] MsgID=0x%1  Seq=%2  %3")
                           .arg(hex8(msgID), QString::number(sequence), label));
}
