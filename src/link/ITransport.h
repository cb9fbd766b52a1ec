#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>

// A link that moves raw bytes to and from the camera. It knows nothing of
// frames; the transport manager frames what it writes and deframes what it reads.
class ITransport : public QObject
{
    Q_OBJECT
public:
    // What carries the bytes.
    enum class Medium { Serial, Udp };

    using QObject::QObject;
    ~ITransport() override = default;

    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool write(const QByteArray &bytes) = 0;
    virtual QString errorString() const = 0;
    virtual QString displayName() const = 0;
    // A link that does not say otherwise is a serial line, as the log names it.
    virtual Medium medium() const { return Medium::Serial; }
    // The camera's network address as the link knows it now (in plain form);
    // null for a link without one, such as a serial line.
    virtual QHostAddress peerAddress() const { return QHostAddress(); }

    // An IPv4 address as a dual-stack socket reports it (::ffff:a.b.c.d)
    // turned back into the plain one, so it compares equal to the address
    // the user typed; any other address comes back unchanged.
    static QHostAddress plainAddress(const QHostAddress &address)
    {
        bool isV4 = false;
        const quint32 v4 = address.toIPv4Address(&isV4);
        return isV4 ? QHostAddress(v4) : address;
    }

signals:
    void dataReceived(const QByteArray &data);
    void connectionChanged(bool connected);
};
