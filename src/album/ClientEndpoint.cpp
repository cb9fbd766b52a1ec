#include "album/ClientEndpoint.h"

#include "album/LocalAddressFinder.h"
#include "catalog/GimbalModel.h"
#include "commands/GimbalController.h"
#include "link/ITransport.h"
#include "link/TransportManager.h"

#include <QSettings>
#include <QUrl>

ClientEndpoint::ClientEndpoint(GimbalController *controller, int probeMs, QObject *parent)
    : QObject(parent), m_controller(controller), m_probeMs(probeMs)
{
    if (m_controller)
        connect(m_controller, &GimbalController::modelChanged, this, &ClientEndpoint::load);
    load();
}

void ClientEndpoint::setVideoAddress(const QString &videoUrl)
{
    m_deviceHost = QUrl(videoUrl).host(QUrl::FullyDecoded);
    if (m_deviceHost.isEmpty())
        m_deviceHost = videoUrl.trimmed();
}

QHostAddress ClientEndpoint::controlPeer() const
{
    const TransportManager *manager = m_controller ? m_controller->transportManager() : nullptr;
    const ITransport *link = manager ? manager->transport() : nullptr;
    return link ? link->peerAddress() : QHostAddress();
}

QString ClientEndpoint::cameraHost() const
{
    if (!m_deviceHost.isEmpty())
        return m_deviceHost;
    const QHostAddress peer = controlPeer();
    return peer.isNull() ? QString() : peer.toString();
}

QList<QHostAddress> ClientEndpoint::senders() const
{
    QList<QHostAddress> senders;
    const QString host = m_deviceHost.trimmed();
    QHostAddress address;
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        senders.append(QHostAddress(QHostAddress::LocalHost));
    else if (address.setAddress(host))
        senders.append(address);
    senders.append(controlPeer());
    return senders;
}

QString ClientEndpoint::settingKey() const
{
    QString model;
    if (m_controller && m_controller->model())
        model = m_controller->model()->id().trimmed();
    return QStringLiteral("MediaAlbum/sendClientEndpoint_") +
           (model.isEmpty() ? QStringLiteral("default") : model);
}

void ClientEndpoint::load()
{
    const bool on = QSettings().value(settingKey(), true).toBool();
    if (on == m_enabled)
        return;
    m_enabled = on;
    emit enabledChanged();
}

void ClientEndpoint::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    QSettings settings;
    settings.setValue(settingKey(), on);
    settings.sync();
    emit enabledChanged();
}

void ClientEndpoint::announce(quint16 playbackPort, quint16 downloadPort)
{
    if (!m_controller || !m_enabled)
        return;
    const QString address = LocalAddressFinder::addressToward(cameraHost(), m_probeMs);
    if (address.isEmpty())
        return;
    if (playbackPort > 0)
        m_controller->playbackClientSet(0, address, playbackPort);
    if (downloadPort > 0)
        m_controller->playbackClientSet(1, address, downloadPort);
}
