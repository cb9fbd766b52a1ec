#pragma once

#include "link/CommandCode.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>

class TransportManager;

// Base of the seven command groups: the one send path every command takes.
class BaseGimbalController : public QObject
{
    Q_OBJECT
public:
    explicit BaseGimbalController(QObject *parent = nullptr);

    void setTransportManager(TransportManager *manager) { m_transportManager = manager; }
    TransportManager *transportManager() const { return m_transportManager; }

    // True means only that the command was handed to the transport manager;
    // whether it left the program is told by commandSent or commandDropped.
    // The label, when given, names this frame's action in the log.
    bool sendCommand(CommandCode::Code code, const QByteArray &payload,
                     const QString &label = QString());

signals:
    void logMessage(QString msg);
    void ackReceived(uint32_t msgID, uint16_t code);

protected:
    // The commonest shape: one value as its low 8 bits, then a zero byte.
    bool sendValue(CommandCode::Code code, int value, const QString &label = QString());
    // A read-back request: 0x01 then a zero byte.
    bool sendQuery(CommandCode::Code code);

    // Fusion switch, the addressed picture's weight in tenths (clamped to
    // 0..10), the other picture's weight as its complement, a zero byte.
    static QByteArray fusionWeightsPayload(bool on, int share);
    // Alignment of the fused pictures: mode (1 or 2; anything else is 1),
    // horizontal and vertical offsets in tenths saturated to 16 bits, and
    // rotation clamped to 0..360 degrees in tenths.
    static QByteArray fusionAlignmentPayload(int mode, int hOffset, int vOffset, int rotation);

private:
    TransportManager *m_transportManager = nullptr;
};
