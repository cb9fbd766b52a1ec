#pragma once

#include "link/FrameCodec.h"
#include "link/ITransport.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>

// The single point through which every command leaves the program and every
// control frame enters it. Does not own the transport.
class TransportManager : public QObject
{
    Q_OBJECT
public:
    // Received bytes that never form a frame are dropped once the buffer passes this.
    static constexpr int RxBufferLimit = 4096;

    explicit TransportManager(QObject *parent = nullptr);

    void setTransport(ITransport *transport);
    ITransport *transport() const { return m_transport; }
    QString channelName() const;
    QString mediumName() const;
    bool isOpen() const;

    // The label is the sender's name for this very frame (the action it
    // carries, "Pitch up" or "Stop motion"); it travels with the frame to the
    // sent or dropped report, so the log names what was really sent.
    void sendCommand(quint8 flags1, quint8 flags2, uint32_t msgID, const QByteArray &payload,
                     const QString &label = QString());
    void sendCommand(uint32_t msgID, const QByteArray &payload, const QString &label = QString())
    {
        sendCommand(0x04, 0x01, msgID, payload, label);
    }

signals:
    void frameReceived(ParsedFrame frame);
    void connectionChanged(bool connected);
    void commandSent(uint32_t msgID, QString channel, QByteArray frame, QString label);
    void commandDropped(uint32_t msgID, QString reason, QString label);
    void rawDataReceived(QString medium, QString channel, QByteArray data);

public slots:
    void onDataReceived(const QByteArray &data);

private:
    QPointer<ITransport> m_transport;
    quint8 m_sequence = 0;
    QByteArray m_rxBuffer;
    int m_rxOffset = 0; // bytes at the front of m_rxBuffer already consumed
};
