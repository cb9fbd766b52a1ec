#include "camsim/DatagramChannel.h"

#include "camsim/LoopbackRule.h"

#include <QTimer>
#include <QUdpSocket>

DatagramChannel::DatagramChannel(const QString &name, bool allowRemote,
                                 const FaultInjector::Settings &faults, quint32 seed,
                                 QObject *parent)
    : QObject(parent), m_name(name), m_allowRemote(allowRemote), m_faults(faults, seed)
{
}

bool DatagramChannel::open(const QHostAddress &bindAddress, QString *error)
{
    delete m_socket;
    m_socket = new QUdpSocket(this);
    if (!m_socket->bind(bindAddress, 0)) {
        *error = QStringLiteral("Cannot bind the %1 channel on %2: %3")
                     .arg(m_name, bindAddress.toString(), m_socket->errorString());
        return false;
    }
    // Room for a whole window of large packets when sending unpaced.
    m_socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 4 * 1024 * 1024);
    return true;
}

bool DatagramChannel::write(const QByteArray &bytes, const QHostAddress &to, quint16 port,
                            bool *busy)
{
    const qint64 written = m_socket->writeDatagram(bytes, to, port);
    if (written == bytes.size()) {
        ++m_datagrams;
        m_bytes += quint64(bytes.size());
        return true;
    }
    if (busy)
        *busy = m_socket->error() == QAbstractSocket::TemporaryError;
    return false;
}

DatagramChannel::Outcome DatagramChannel::send(const QByteArray &datagram, const QHostAddress &to,
                                               quint16 port)
{
    if (!m_socket || port == 0)
        return Outcome::Refused;
    if (!m_allowRemote && !LoopbackRule::isLoopback(to)) {
        const QString key = to.toString() + QLatin1Char(':') + QString::number(port);
        if (!m_refused.contains(key)) {
            m_refused.insert(key);
            emit warning(QStringLiteral("Refusing to send %1 data to %2 (not loopback; see "
                                        "--allow-remote)")
                             .arg(m_name, key));
        }
        return Outcome::Refused;
    }
    if (m_lastPort != 0 && (to != m_lastTo || port != m_lastPort))
        flush(); // a held datagram belongs to the previous destination
    m_lastTo = to;
    m_lastPort = port;
    if (!m_faults.enabled()) {
        bool busy = false;
        if (write(datagram, to, port, &busy))
            return Outcome::Sent;
        return busy ? Outcome::Busy : Outcome::Refused;
    }
    deliver(m_faults.apply(datagram), to, port);
    return Outcome::Sent;
}

void DatagramChannel::flush()
{
    if (m_lastPort != 0)
        deliver(m_faults.flush(), m_lastTo, m_lastPort);
}

void DatagramChannel::deliver(const QVector<FaultInjector::Delivery> &deliveries,
                              const QHostAddress &to, quint16 port)
{
    for (const FaultInjector::Delivery &d : deliveries) {
        if (d.delayMs <= 0) {
            write(d.bytes, to, port, nullptr);
            continue;
        }
        // The channel as context: a delivery due after it is gone never runs.
        QTimer::singleShot(d.delayMs, this, [this, bytes = d.bytes, to, port] {
            if (m_socket)
                write(bytes, to, port, nullptr);
        });
    }
}
