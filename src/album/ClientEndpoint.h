#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class GimbalController;

// Where the camera is and where it is to send media: the camera's address
// (the host of the video address, else the control link's peer), the
// addresses the media channels take datagrams from, and the announcement of
// this computer's address and ports, which the operator may switch off per
// product model (kept in the settings).
class ClientEndpoint : public QObject
{
    Q_OBJECT
public:
    explicit ClientEndpoint(GimbalController *controller, int probeMs = 200,
                            QObject *parent = nullptr);

    // The host part of the video address (the whole text when it has none);
    // empty forgets it.
    void setVideoAddress(const QString &videoUrl);
    QString cameraHost() const;
    // The camera's addresses that media may come from.
    QList<QHostAddress> senders() const;

    bool enabled() const { return m_enabled; }
    void setEnabled(bool on);
    // Tells the camera this computer's address toward it, with the playback
    // and download ports (0: that one is left out). Nothing when switched off
    // or when no address is found.
    void announce(quint16 playbackPort, quint16 downloadPort);

signals:
    void enabledChanged();

private:
    QHostAddress controlPeer() const;
    QString settingKey() const;
    void load();

    QPointer<GimbalController> m_controller;
    const int m_probeMs;
    QString m_deviceHost;
    bool m_enabled = true;
};
