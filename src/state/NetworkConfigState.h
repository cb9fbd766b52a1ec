#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The camera's own IP configuration and the clients registered to receive
// playback video and media downloads.
class NetworkConfigState : public QObject
{
    Q_OBJECT
public:
    static constexpr int IpReplySize = 14;
    static constexpr int ClientReplySize = 6;
    static constexpr int PlaybackClient = 0;

    explicit NetworkConfigState(QObject *parent = nullptr);

    QString cameraIp() const { return m_cameraIp; }
    QString cameraMask() const { return m_cameraMask; }
    QString cameraGateway() const { return m_cameraGateway; }
    QString playbackClientIp() const { return m_playbackClientIp; }
    int playbackClientPort() const { return m_playbackClientPort; }
    QString downloadClientIp() const { return m_downloadClientIp; }
    int downloadClientPort() const { return m_downloadClientPort; }

    // Returns false (and changes nothing) when too short or the result code
    // is not 0.
    bool applyCameraIp(const QByteArray &payload);
    // Type 0 is the playback-video client, any other the download client.
    // Returns false when too short.
    bool applyClient(int type, const QByteArray &payload);

    // Four bytes in order as dotted decimal; "--" when the fourth byte lies
    // beyond the payload.
    static QString formatIpv4(const QByteArray &payload, int offset);

signals:
    void networkConfigChanged();

private:
    QString m_cameraIp;
    QString m_cameraMask;
    QString m_cameraGateway;
    QString m_playbackClientIp;
    int m_playbackClientPort = 0;
    QString m_downloadClientIp;
    int m_downloadClientPort = 0;
};
