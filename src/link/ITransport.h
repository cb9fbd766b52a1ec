#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// A link that moves raw bytes to and from the camera. It knows nothing of
// frames; the transport manager frames what it writes and deframes what it reads.
class ITransport : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~ITransport() override = default;

    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool write(const QByteArray &bytes) = 0;
    virtual QString errorString() const = 0;
    virtual QString displayName() const = 0;

signals:
    void dataReceived(const QByteArray &data);
    void connectionChanged(bool connected);
};
