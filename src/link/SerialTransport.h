#pragma once

#include "link/ITransport.h"

#include <QSerialPort>

// UART link: 8N1, no flow control, DTR raised.
class SerialTransport : public ITransport
{
    Q_OBJECT
public:
    explicit SerialTransport(QObject *parent = nullptr);

    void setPortName(const QString &name) { m_portName = name; }
    void setBaudRate(int baud) { m_baudRate = baud; }
    QString portName() const { return m_portName; }
    int baudRate() const { return m_baudRate; }

    bool open() override;
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray &bytes) override;
    QString errorString() const override;
    QString displayName() const override;
    Medium medium() const override { return Medium::Serial; }

private slots:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);

private:
    bool failTimeout(const QString &ownText);
    void reportDown();

    QSerialPort *m_port = nullptr;
    QString m_portName;
    int m_baudRate = 115200;
    QString m_lastError;
    bool m_linkUp = false;
    quint32 m_session = 0;
    bool m_closePending = false;
};
