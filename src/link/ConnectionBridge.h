#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QHostAddress;
class SerialTransport;
class TransportManager;
class UdpTransport;

// The interface's handle on the device link: lists serial ports, opens and
// closes the serial and UDP transports, attaches the open one to the
// transport manager and keeps the UDP endpoint per product. At most one link
// is open at a time.
class ConnectionBridge : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool connected READ connected NOTIFY connectedChanged)
    Q_PROPERTY(bool serialConnected READ serialConnected NOTIFY serialConnectedChanged)
    Q_PROPERTY(bool udpConnected READ udpConnected NOTIFY udpConnectedChanged)
    Q_PROPERTY(QStringList portList READ portList NOTIFY portListChanged)
    Q_PROPERTY(QString modelId READ modelId WRITE setModelId NOTIFY udpSettingsChanged)
    Q_PROPERTY(QString udpIp READ udpIp NOTIFY udpSettingsChanged)
    Q_PROPERTY(int udpPort READ udpPort NOTIFY udpSettingsChanged)
    Q_PROPERTY(
        int connectionTab READ connectionTab WRITE setConnectionTab NOTIFY connectionTabChanged)
public:
    static constexpr int DefaultUdpPort = 1030;

    explicit ConnectionBridge(TransportManager *transportManager, QObject *parent = nullptr);

    bool connected() const { return m_connected; }
    bool serialConnected() const { return m_serialConnected; }
    bool udpConnected() const { return m_udpConnected; }
    QStringList portList() const { return m_portList; }
    QString modelId() const { return m_modelId; }
    QString defaultUdpIp() const { return m_defaultUdpIp; }
    QString udpIp() const { return m_udpIp; }
    int udpPort() const { return m_udpPort; }
    int connectionTab() const { return m_connectionTab; }
    // 0 none, 1 serial, 2 UDP.
    int activeLink() const { return m_activeLink; }

    Q_INVOKABLE QStringList serialPortList() const { return m_portList; }
    Q_INVOKABLE void refreshSerialPorts();
    Q_INVOKABLE void connectSerial(const QString &port, int baudRate);
    Q_INVOKABLE void connectUdp(const QString &ip, int port);
    Q_INVOKABLE void saveUdpSettings(const QString &ip, int port);
    Q_INVOKABLE void disconnect();
    Q_INVOKABLE void disconnectSerial();
    Q_INVOKABLE void disconnectUdp();
    Q_INVOKABLE void toggleUdpSwitch(bool on);
    Q_INVOKABLE void setConnectionTab(int tab);

    void setDefaultUdpIp(const QString &address);
    void setModelId(const QString &id);

signals:
    void connectedChanged(bool connected);
    void serialConnectedChanged(bool connected);
    void udpConnectedChanged(bool connected);
    void portListChanged();
    void udpSettingsChanged();
    void connectionTabChanged();
    void errorOccurred(QString error);
    void peerEndpointReady();

public slots:
    void onConnectionStateChanged(bool connected);

private:
    QString settingsKey(const QString &name) const;
    void loadSettings();
    bool storeUdpEndpoint(const QString &ip, int port);
    bool openUdp(const QString &ip, int port);
    void selectActiveLink(int link);
    void updateConnected();
    void setSerialConnected(bool connected);
    void setUdpConnected(bool connected);
    void onSerialLinkChanged(bool connected);
    void onUdpLinkChanged(bool connected);
    void onPeerLearned(const QHostAddress &address);

    QPointer<TransportManager> m_transportManager;
    bool m_connected = false;
    bool m_serialConnected = false;
    bool m_udpConnected = false;
    int m_activeLink = 0;
    SerialTransport *m_serial = nullptr;
    UdpTransport *m_udp = nullptr;
    QStringList m_portList;
    QString m_modelId;
    QString m_defaultUdpIp;
    QString m_udpIp;
    int m_udpPort = DefaultUdpPort;
    int m_connectionTab = 0;
};
