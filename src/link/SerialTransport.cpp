#include "link/SerialTransport.h"

#include "link/Language.h"

namespace
{

// Per-chunk waits; they bound how long one write can hold up the interface thread.
constexpr int AcceptTimeoutMs = 80;
constexpr int DrainTimeoutMs = 120;

} // namespace

SerialTransport::SerialTransport(QObject *parent)
    : ITransport(parent), m_port(new QSerialPort(this))
{
    connect(m_port, &QSerialPort::readyRead, this, &SerialTransport::onReadyRead);
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialTransport::onError);
}

bool SerialTransport::open()
{
    m_lastError.clear();
    m_port->setPortName(m_portName);
    m_port->setBaudRate(m_baudRate, QSerialPort::AllDirections);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_lastError = m_port->errorString();
        return false;
    }
    m_port->clear(QSerialPort::AllDirections);
    m_port->setDataTerminalReady(true);
    ++m_session;
    m_linkUp = true;
    emit connectionChanged(true);
    return true;
}

void SerialTransport::close()
{
    if (!m_port->isOpen())
        return;
    m_port->close();
    reportDown();
}

bool SerialTransport::isOpen() const
{
    return m_port->isOpen();
}

bool SerialTransport::write(const QByteArray &bytes)
{
    if (!m_port->isOpen())
        return false;
    // A failure reported by an earlier call must not be mistaken for this one's.
    m_port->clearError();
    qint64 offset = 0;
    while (offset < bytes.size()) {
        const qint64 n = m_port->write(bytes.constData() + offset, bytes.size() - offset);
        if (n < 0) {
            m_lastError = m_port->errorString();
            return false;
        }
        if (n == 0 && !m_port->waitForBytesWritten(AcceptTimeoutMs))
            return failTimeout(Language::pick(QStringLiteral("Serial write timed out"),
                                              QStringLiteral("串口写入超时")));
        offset += n;
        if (!m_port->waitForBytesWritten(DrainTimeoutMs))
            return failTimeout(
                Language::pick(QStringLiteral("Serial wait-for-bytes-written timed out"),
                               QStringLiteral("串口等待写出超时")));
    }
    m_lastError.clear();
    return true;
}

QString SerialTransport::errorString() const
{
    if (!m_lastError.isEmpty())
        return m_lastError;
    // A port without a failure still has a placeholder text; that is no error.
    return m_port->error() != QSerialPort::NoError ? m_port->errorString() : QString();
}

QString SerialTransport::displayName() const
{
    if (m_portName.isEmpty())
        return Language::pick(QStringLiteral("Serial"), QStringLiteral("串口"));
    return Language::pick(QStringLiteral("Serial %1"), QStringLiteral("串口 %1")).arg(m_portName);
}

void SerialTransport::onReadyRead()
{
    const QByteArray data = m_port->readAll();
    if (!data.isEmpty())
        emit dataReceived(data);
}

void SerialTransport::onError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError)
        return;
    m_lastError = m_port->errorString();
    if (!m_port->isOpen()) {
        reportDown();
        return;
    }
    // The device vanished (adapter unplugged, far end hung up): the port stays
    // formally open but every further read fails at once, which would spin
    // the event loop, so take the link down. The close waits for the event
    // loop because this runs inside the port's own read handling.
    if ((error == QSerialPort::ResourceError || error == QSerialPort::ReadError) &&
        !m_closePending) {
        m_closePending = true;
        QMetaObject::invokeMethod(
            this,
            [this, session = m_session] {
                m_closePending = false;
                if (session != m_session)
                    return; // reopened meanwhile: the new session is healthy
                if (m_port->isOpen())
                    m_port->close();
                reportDown();
            },
            Qt::QueuedConnection);
    }
}

bool SerialTransport::failTimeout(const QString &ownText)
{
    // The library's generic time-out text says less than ours about which wait failed.
    const QSerialPort::SerialPortError error = m_port->error();
    if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError &&
        !m_port->errorString().isEmpty())
        m_lastError = m_port->errorString();
    else
        m_lastError = ownText;
    return false;
}

void SerialTransport::reportDown()
{
    // Only a link that was reported up is reported down, and only once: a
    // failed open stays silent.
    if (!m_linkUp)
        return;
    m_linkUp = false;
    emit connectionChanged(false);
}
