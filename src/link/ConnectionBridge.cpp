#include "link/ConnectionBridge.h"

#include "link/Language.h"
#include "link/SerialTransport.h"
#include "link/TransportManager.h"
#include "link/UdpTransport.h"

#include <QHostAddress>
#include <QSerialPortInfo>
#include <QSettings>

namespace
{

const QString FactoryUdpIp = QStringLiteral("192.168.144.64");

bool isAddress(const QString &text)
{
    QHostAddress address;
    return !text.isEmpty() && address.setAddress(text);
}

bool isPort(int port)
{
    return port >= 1 && port <= 65535;
}

} // namespace

ConnectionBridge::ConnectionBridge(TransportManager *transportManager, QObject *parent)
    : QObject(parent), m_transportManager(transportManager), m_modelId(QStringLiteral("default")),
      m_defaultUdpIp(FactoryUdpIp), m_udpIp(FactoryUdpIp)
{
    refreshSerialPorts();
    loadSettings();
    if (m_transportManager)
        connect(m_transportManager, &TransportManager::connectionChanged, this,
                &ConnectionBridge::onConnectionStateChanged);
}

void ConnectionBridge::refreshSerialPorts()
{
    QStringList names;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        names.append(info.portName());
    m_portList = names;
    emit portListChanged();
}

void ConnectionBridge::connectSerial(const QString &port, int baudRate)
{
    if (!m_transportManager)
        return;
    const QString name = port.trimmed();
    if (name.isEmpty() || name == QStringLiteral("No serial ports found") ||
        name == QStringLiteral("未发现串口")) {
        emit errorOccurred(Language::pick(QStringLiteral("No serial ports available"),
                                          QStringLiteral("未发现可用串口")));
        return;
    }
    disconnectUdp();
    if (m_serial) {
        SerialTransport *old = m_serial;
        old->close();
        old->deleteLater();
        m_serial = nullptr;
        setSerialConnected(false);
    }
    auto *serial = new SerialTransport(this);
    serial->setPortName(port);
    serial->setBaudRate(baudRate);
    if (!serial->open()) {
        emit errorOccurred(serial->errorString());
        delete serial;
        selectActiveLink(0);
        return;
    }
    m_serial = serial;
    connect(serial, &ITransport::connectionChanged, this, [this, serial](bool c) {
        if (serial == m_serial)
            onSerialLinkChanged(c);
    });
    selectActiveLink(1);
    setSerialConnected(true);
}

void ConnectionBridge::connectUdp(const QString &ip, int port)
{
    if (!m_transportManager)
        return;
    storeUdpEndpoint(ip, port);
    openUdp(m_udpIp, m_udpPort);
}

void ConnectionBridge::saveUdpSettings(const QString &ip, int port)
{
    const int previousPort = m_udpPort;
    if (!storeUdpEndpoint(ip, port) || !m_udpConnected || !m_udp)
        return;
    if (m_udpPort == previousPort)
        m_udp->setTarget(QHostAddress(m_udpIp), quint16(m_udpPort));
    else
        openUdp(m_udpIp, m_udpPort); // the local port follows the camera port
}

void ConnectionBridge::disconnect()
{
    disconnectSerial();
    disconnectUdp();
}

void ConnectionBridge::disconnectSerial()
{
    if (!m_serial)
        return;
    SerialTransport *serial = m_serial;
    m_serial = nullptr;
    serial->close();
    serial->deleteLater();
    setSerialConnected(false);
    if (m_activeLink == 1)
        selectActiveLink(0);
}

void ConnectionBridge::disconnectUdp()
{
    if (!m_udp)
        return;
    UdpTransport *udp = m_udp;
    m_udp = nullptr;
    QObject::disconnect(udp, nullptr, this, nullptr);
    udp->close();
    udp->deleteLater();
    setUdpConnected(false);
    if (m_activeLink == 2)
        selectActiveLink(0);
}

void ConnectionBridge::toggleUdpSwitch(bool on)
{
    if (!on) {
        disconnectUdp();
        return;
    }
    if (!m_transportManager)
        return;
    storeUdpEndpoint(m_udpIp, m_udpPort);
    openUdp(m_udpIp, m_udpPort);
}

void ConnectionBridge::setConnectionTab(int tab)
{
    const int value = tab == 1 ? 1 : 0;
    const bool changed = value != m_connectionTab;
    m_connectionTab = value;
    QSettings settings;
    settings.setValue(settingsKey(QStringLiteral("connectionTab")), value);
    settings.sync();
    if (changed)
        emit connectionTabChanged();
}

void ConnectionBridge::setDefaultUdpIp(const QString &address)
{
    const QString text = address.trimmed();
    m_defaultUdpIp = isAddress(text) ? text : FactoryUdpIp;
}

void ConnectionBridge::setModelId(const QString &id)
{
    const QString trimmed = id.trimmed();
    const QString key = trimmed.isEmpty() ? QStringLiteral("default") : trimmed;
    if (key == m_modelId)
        return;
    disconnectSerial();
    disconnectUdp();
    m_modelId = key;
    const int previousTab = m_connectionTab;
    loadSettings();
    emit udpSettingsChanged();
    if (m_connectionTab != previousTab)
        emit connectionTabChanged();
}

void ConnectionBridge::onConnectionStateChanged(bool)
{
    updateConnected();
}

QString ConnectionBridge::settingsKey(const QString &name) const
{
    return QStringLiteral("Connection/%1_%2").arg(m_modelId, name);
}

void ConnectionBridge::loadSettings()
{
    QSettings settings;
    const QString ip =
        settings.value(settingsKey(QStringLiteral("udpIp")), m_defaultUdpIp).toString().trimmed();
    m_udpIp = isAddress(ip) ? ip : m_defaultUdpIp;

    bool ok = false;
    const int port =
        settings.value(settingsKey(QStringLiteral("udpPort")), DefaultUdpPort).toInt(&ok);
    m_udpPort = ok && isPort(port) ? port : DefaultUdpPort;

    m_connectionTab =
        settings.value(settingsKey(QStringLiteral("connectionTab")), 0).toInt() == 1 ? 1 : 0;
}

bool ConnectionBridge::storeUdpEndpoint(const QString &ip, int port)
{
    const QString text = ip.trimmed();
    if (!isAddress(text) || !isPort(port))
        return false;
    const bool changed = text != m_udpIp || port != m_udpPort;
    m_udpIp = text;
    m_udpPort = port;
    QSettings settings;
    settings.setValue(settingsKey(QStringLiteral("udpIp")), m_udpIp);
    settings.setValue(settingsKey(QStringLiteral("udpPort")), m_udpPort);
    settings.sync();
    if (changed)
        emit udpSettingsChanged();
    return changed;
}

bool ConnectionBridge::openUdp(const QString &ip, int port)
{
    if (!m_transportManager)
        return false;
    const QString text = ip.trimmed();
    if (!isAddress(text)) {
        emit errorOccurred(
            Language::pick(QStringLiteral("Invalid IP address"), QStringLiteral("无效的IP地址")));
        return false;
    }
    if (!isPort(port)) {
        emit errorOccurred(Language::pick(QStringLiteral("UDP port must be between 1 and 65535"),
                                          QStringLiteral("UDP 端口必须在 1 到 65535 之间")));
        return false;
    }
    disconnectSerial();
    if (m_udp) {
        UdpTransport *old = m_udp;
        QObject::disconnect(old, nullptr, this, nullptr);
        old->close();
        old->deleteLater();
        m_udp = nullptr;
        setUdpConnected(false);
    }
    auto *udp = new UdpTransport(this);
    udp->setTarget(QHostAddress(text), quint16(port));
    // The camera answers to the port after its own; 65535 wraps to 0, which
    // leaves the choice of local port to the system.
    udp->setLocalPort(quint16(port + 1));
    if (!udp->open()) {
        emit errorOccurred(udp->errorString());
        delete udp;
        selectActiveLink(0);
        return false;
    }
    m_udp = udp;
    connect(udp, &ITransport::connectionChanged, this, &ConnectionBridge::onUdpLinkChanged);
    connect(udp, &UdpTransport::peerLearned, this, &ConnectionBridge::onPeerLearned);
    selectActiveLink(2);
    setUdpConnected(true);
    return true;
}

void ConnectionBridge::selectActiveLink(int link)
{
    m_activeLink = link;
    if (!m_transportManager)
        return;
    if (link == 1 && m_serial && m_serial->isOpen()) {
        m_transportManager->setTransport(m_serial);
        updateConnected();
        return;
    }
    if (link == 2 && m_udp && m_udp->isOpen()) {
        m_transportManager->setTransport(m_udp);
        updateConnected();
        return;
    }
    m_activeLink = 0;
    m_transportManager->setTransport(nullptr);
    updateConnected();
}

void ConnectionBridge::updateConnected()
{
    const bool value = m_serialConnected || m_udpConnected;
    if (value == m_connected)
        return;
    m_connected = value;
    emit connectedChanged(value);
}

void ConnectionBridge::setSerialConnected(bool connected)
{
    if (connected != m_serialConnected) {
        m_serialConnected = connected;
        emit serialConnectedChanged(connected);
    }
    updateConnected();
}

void ConnectionBridge::setUdpConnected(bool connected)
{
    if (connected != m_udpConnected) {
        m_udpConnected = connected;
        emit udpConnectedChanged(connected);
    }
    updateConnected();
}

void ConnectionBridge::onSerialLinkChanged(bool connected)
{
    setSerialConnected(connected);
    if (!connected && m_activeLink == 1)
        selectActiveLink(0);
}

void ConnectionBridge::onUdpLinkChanged(bool connected)
{
    setUdpConnected(connected);
    if (!connected && m_activeLink == 2)
        selectActiveLink(0);
}

void ConnectionBridge::onPeerLearned(const QHostAddress &address)
{
    const QString text = QHostAddress(address.toIPv4Address()).toString();
    if (text.isEmpty() || text == QStringLiteral("0.0.0.0") || text == m_udpIp)
        return;
    storeUdpEndpoint(text, m_udpPort);
    emit peerEndpointReady();
}
