#pragma once

#include "link/FrameCodec.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

class GimbalState;

// Turns every frame the device sends into device state: a reply
// (acknowledgement) or one of the two status kinds, each code into the state
// slot that decodes it. It sends nothing; what a frame means to a request
// still waiting for the device (the AI-recognition setting) it reports by
// signal, and the one who sent the request acts on it.
class InboundDispatcher : public QObject
{
    Q_OBJECT
public:
    // How the device showed that an AI-recognition setting arrived.
    enum class AiConfirmation {
        Answer,       // a reply, or a two-byte answer in a status frame
        TargetReport, // a target report in a status frame
        StatusFrame,  // any frame of the second status kind
    };
    Q_ENUM(AiConfirmation)

    explicit InboundDispatcher(GimbalState *state, QObject *parent = nullptr);

    // A playback-client reply does not say which client it describes; the
    // side that asked remembers which one it asked for.
    void setPlaybackClientType(std::function<int()> lastRequested);

public slots:
    void dispatch(const ParsedFrame &frame);

signals:
    // The reply's code and its result (0 is success), with the sequence
    // number of the frame that carried it (a camera may echo the command's).
    void ackReceived(uint32_t msgID, uint16_t code, int sequence = -1);
    void logMessage(QString msg);
    void aiRecognitionConfirmed(InboundDispatcher::AiConfirmation how);

private:
    void handleReply(quint16 code, const QByteArray &payload);
    void handleStatus(quint16 code, const QByteArray &payload);
    void handleSecondStatus(quint16 code, const QByteArray &payload);
    // Feeds the status codes both status kinds share; false when the code is not one of them.
    bool dispatchSharedStatus(quint16 code, const QByteArray &payload);
    void applyReadBack(quint16 code, const QByteArray &payload);

    GimbalState *m_state = nullptr;
    std::function<int()> m_playbackClientType;
    int m_frameSequence = -1; // of the frame being dispatched
};
