#include "commands/BaseGimbalController.h"

#include "link/Language.h"
#include "link/Payload.h"
#include "link/TransportManager.h"

namespace
{

// Offsets far outside the device's range still go out with their sign
// rather than wrapping into a different offset.
qint16 tenthsClamped(int value)
{
    const qint64 scaled = qint64(value) * 10;
    return qint16(qBound<qint64>(-32768, scaled, 32767));
}

} // namespace

BaseGimbalController::BaseGimbalController(QObject *parent) : QObject(parent) {}

bool BaseGimbalController::sendCommand(CommandCode::Code code, const QByteArray &payload,
                                       const QString &label)
{
    if (!m_transportManager) {
        emit logMessage(
            Language::pick(QStringLiteral("[Comm/Dropped] Controller has no transport manager"),
                           QStringLiteral("[通信/未发送] 控制器未绑定通信管理器")));
        return false;
    }
    m_transportManager->sendCommand(code, payload, label.trimmed());
    return true;
}

bool BaseGimbalController::sendValue(CommandCode::Code code, int value, const QString &label)
{
    QByteArray p;
    Payload::appendU8(p, value);
    Payload::appendU8(p, 0);
    return sendCommand(code, p, label);
}

bool BaseGimbalController::sendQuery(CommandCode::Code code)
{
    return sendValue(code, 1);
}

QByteArray BaseGimbalController::fusionWeightsPayload(bool on, int share)
{
    const int w = Payload::clampInt(share, 0, 10);
    QByteArray p;
    Payload::appendU8(p, on ? 1 : 0);
    Payload::appendU8(p, w);
    Payload::appendU8(p, 10 - w);
    Payload::appendU8(p, 0);
    return p;
}

QByteArray BaseGimbalController::fusionAlignmentPayload(int mode, int hOffset, int vOffset,
                                                        int rotation)
{
    QByteArray p;
    Payload::appendU8(p, (mode == 1 || mode == 2) ? mode : 1);
    Payload::appendS16(p, tenthsClamped(hOffset));
    Payload::appendS16(p, tenthsClamped(vOffset));
    Payload::appendS16(p, qint16(Payload::clampInt(rotation, 0, 360) * 10));
    return p;
}
