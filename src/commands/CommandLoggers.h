#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>

class DownloadStatusView;
class LogBridge;
class TransportManager;

// Turns the link's and the controller's reports into log lines: what was sent,
// what could not be sent, and what the device answered. The start-up wiring
// connects the signals to the slots below.
class CommandLoggers : public QObject
{
    Q_OBJECT
public:
    CommandLoggers(TransportManager *manager, LogBridge *log,
                   const DownloadStatusView *album = nullptr, QObject *parent = nullptr);

    void setDownloadStatusView(const DownloadStatusView *album) { m_album = album; }

public slots:
    void onCommandSent(uint32_t msgID, QString channel, QByteArray frame);
    void onCommandDropped(uint32_t msgID, QString reason);
    void onAckReceived(uint32_t msgID, uint16_t code);

private:
    bool ignoresDownloadFailure(const QString &label) const;

    QPointer<TransportManager> m_manager;
    QPointer<LogBridge> m_log;
    const DownloadStatusView *m_album = nullptr;
};
