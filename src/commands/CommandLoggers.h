#pragma once

#include "commands/SentFrames.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>

class DownloadStatusView;
class LogBridge;
class TransportManager;

// Turns the link's and the controller's reports into log lines: what was sent,
// what could not be sent, what the device answered, and what it left unanswered. The start-up
// wiring connects the signals to the slots below.
//
// Each frame carries its own label (the action it was sent for), so a line
// names what its bytes say; a reply is named after the frame it answers.
class CommandLoggers : public QObject
{
    Q_OBJECT
public:
    // Frames of one code still waiting for a reply; a camera that leaves some
    // unanswered must not make the list grow without end.
    static constexpr int PendingPerCode = 32;

    CommandLoggers(TransportManager *manager, LogBridge *log,
                   const DownloadStatusView *album = nullptr, QObject *parent = nullptr);

    void setDownloadStatusView(const DownloadStatusView *album) { m_album = album; }

public slots:
    void onCommandSent(uint32_t msgID, QString channel, QByteArray frame, QString label);
    void onCommandDropped(uint32_t msgID, QString reason, QString label);
    void onAckReceived(uint32_t msgID, uint16_t code, int sequence = -1);
    void onCommandUnanswered(uint32_t msgID, QString label, int sequence);

private:
    bool ignoresDownloadFailure(const QString &label) const;
    // The label of the frame this reply answers, taken off the waiting list.
    QString answeredLabel(quint16 code, int sequence);

    QPointer<TransportManager> m_manager;
    QPointer<LogBridge> m_log;
    const DownloadStatusView *m_album = nullptr;
    SentFrames m_pending{PendingPerCode, true};
};
