#pragma once

#include <QByteArray>
#include <QObject>
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
    bool sendCommand(quint16 code, const QByteArray &payload);

signals:
    void logMessage(QString msg);
    void ackReceived(uint32_t msgID, uint16_t code);

private:
    TransportManager *m_transportManager = nullptr;
};
