#include "commands/BaseGimbalController.h"

#include "link/Language.h"
#include "link/TransportManager.h"

BaseGimbalController::BaseGimbalController(QObject *parent) : QObject(parent) {}

bool BaseGimbalController::sendCommand(quint16 code, const QByteArray &payload)
{
    if (!m_transportManager) {
        emit logMessage(
            Language::pick(QStringLiteral("[Comm/Dropped] Controller has no transport manager"),
                           QStringLiteral("[通信/未发送] 控制器未绑定通信管理器")));
        return false;
    }
    m_transportManager->sendCommand(code, payload);
    return true;
}
