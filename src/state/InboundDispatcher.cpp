#include "state/InboundDispatcher.h"

#include "link/CommandCode.h"
#include "state/GimbalState.h"

namespace
{

// The frame kinds of a message id.
enum FrameKind : quint8 { StatusKind = 0, ReplyKind = 1, SecondStatusKind = 2 };

using Slot = void (GimbalState::*)(const QByteArray &);

struct Route {
    CommandCode::Code code;
    Slot slot;
};

// Status codes both status kinds carry.
const Route SharedStatus[] = {
    {CommandCode::GimbalStatusReport, &GimbalState::updateGimbalStatus},
    {CommandCode::GimbalAttitudeReport, &GimbalState::updateAttitude},
    {CommandCode::CameraSystemStatus, &GimbalState::updateCameraSystemStatus},
    {CommandCode::IrCameraStatus, &GimbalState::updateIrStatus},
    {CommandCode::VisibleCameraStatus, &GimbalState::updateVisStatus},
    {CommandCode::CameraUpgradeStatus, &GimbalState::updateCameraUpgradeStatus},
    {CommandCode::TakePhoto, &GimbalState::updatePhotoStatus},
    {CommandCode::RecordVideo, &GimbalState::updateRecordStatus},
};

// Codes that only the second status kind carries, the AI ones aside.
const Route SecondStatusOnly[] = {
    {CommandCode::LaserRangeSet, &GimbalState::updateLaserDistance},
    {CommandCode::LaserPeriodicRange, &GimbalState::updateLaserDistance},
    {CommandCode::PlaybackStatusReport, &GimbalState::updatePlaybackStatus},
};

// What a successful reply reads back, the replies with rules of their own aside.
const Route ReadBacks[] = {
    {CommandCode::GetGimbalVersion, &GimbalState::updateGimbalVersion},
    {CommandCode::GetCameraVersion, &GimbalState::updateCameraVersion},
    {CommandCode::GetKernelVersion, &GimbalState::updateKernelVersion},
    {CommandCode::GetDeviceSn, &GimbalState::updateDeviceSn},
    {CommandCode::GetCoreTemperature, &GimbalState::updateCoreTemp},
    {CommandCode::LaserRangeSet, &GimbalState::updateLaserDistance},
    {CommandCode::GetSbusConfig, &GimbalState::updateSbusConfig},
    {CommandCode::GetIp, &GimbalState::updateCameraIpConfig},
    {CommandCode::GetUartProtocol, &GimbalState::updateUartProtocol},
};

template <size_t N> Slot routeOf(const Route (&routes)[N], quint16 code)
{
    for (const Route &route : routes) {
        if (route.code == code)
            return route.slot;
    }
    return nullptr;
}

// The exact size of a complete OSD configuration read-back.
constexpr int OsdConfigSize = 31;

// Photo and record replies that are as long as a status report carry one.
bool carriesCaptureStatus(const QByteArray &payload)
{
    return payload.size() >= 4 && payload.size() <= 16;
}

QString hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

quint16 resultOf(const QByteArray &payload)
{
    return quint16(quint8(payload.at(0)) | (quint8(payload.at(1)) << 8));
}

} // namespace

InboundDispatcher::InboundDispatcher(GimbalState *state, QObject *parent)
    : QObject(parent), m_state(state)
{
    // The reply signal carries these; a dispatcher may exist before any link
    // manager registered them.
    qRegisterMetaType<uint32_t>("uint32_t");
    qRegisterMetaType<uint16_t>("uint16_t");
    qRegisterMetaType<InboundDispatcher::AiConfirmation>();
}

void InboundDispatcher::setPlaybackClientType(std::function<int()> lastRequested)
{
    m_playbackClientType = std::move(lastRequested);
}

void InboundDispatcher::dispatch(const ParsedFrame &frame)
{
    const quint8 kind = FrameCodec::frameKind(frame.messageId);
    const quint16 code = FrameCodec::commandCode(frame.messageId);
    m_frameSequence = frame.sequence;
    if (kind == ReplyKind) {
        handleReply(code, frame.payload);
        return;
    }
    if (kind != StatusKind && kind != SecondStatusKind)
        return;
    m_state->noteReport();
    if (code == CommandCode::TakePhoto || code == CommandCode::RecordVideo) {
        emit logMessage(QStringLiteral("[Status Raw] type=0x%1 MsgID=0x%2 Len=%3 Data=%4")
                            .arg(kind, 2, 16, QLatin1Char('0'))
                            .arg(code, 8, 16, QLatin1Char('0'))
                            .arg(frame.payload.size())
                            .arg(hexText(frame.payload)));
    }
    if (kind == StatusKind)
        handleStatus(code, frame.payload);
    else
        handleSecondStatus(code, frame.payload);
}

void InboundDispatcher::handleReply(quint16 code, const QByteArray &payload)
{
    emit logMessage(QStringLiteral("[ACK Raw] MsgID=0x%1  Len=%2  Data=%3")
                        .arg(code, 8, 16, QLatin1Char('0'))
                        .arg(payload.size())
                        .arg(hexText(payload)));

    switch (code) {
    case CommandCode::AiRecognitionSet:
        emit aiRecognitionConfirmed(AiConfirmation::Answer);
        break;
    case CommandCode::GetOsdConfig:
        // The reply is decoded whatever its result: a short one still tells
        // which items the device knows. Only a complete one counts as success.
        m_state->updateOsdConfig(payload);
        emit ackReceived(code, payload.size() == OsdConfigSize ? 0 : 1, m_frameSequence);
        return;
    case CommandCode::GetAiCategories:
        m_state->updateAiCategoriesConfig(payload);
        emit ackReceived(code, payload.isEmpty() ? 1 : 0, m_frameSequence);
        return;
    case CommandCode::TakePhoto:
        if (carriesCaptureStatus(payload))
            m_state->updatePhotoStatus(payload);
        break;
    case CommandCode::RecordVideo:
        if (carriesCaptureStatus(payload))
            m_state->updateRecordStatus(payload);
        break;
    default:
        break;
    }

    // A reply too short to carry a result is how the device acknowledges
    // plain commands.
    if (payload.size() < 2) {
        emit ackReceived(code, 0, m_frameSequence);
        return;
    }
    const quint16 result = resultOf(payload);
    emit ackReceived(code, result, m_frameSequence);
    if (result != 0)
        return;
    applyReadBack(code, payload);
}

void InboundDispatcher::applyReadBack(quint16 code, const QByteArray &payload)
{
    if (const Slot slot = routeOf(ReadBacks, code)) {
        (m_state->*slot)(payload);
        return;
    }
    switch (code) {
    case CommandCode::GetPlaybackClient:
        m_state->updatePlaybackClientConfig(m_playbackClientType ? m_playbackClientType() : 0,
                                            payload);
        break;
    case CommandCode::GetVisibleAllParams:
        if (!m_state->updateVisibleParams(payload))
            emit logMessage(
                QStringLiteral("[VIS] all-params ACK rejected (len=%1)").arg(payload.size()));
        break;
    case CommandCode::GetIrAllParams:
        if (!m_state->updateInfraredParams(payload))
            emit logMessage(
                QStringLiteral("[IR] all-params ACK rejected (len=%1, need >=10, result=00 00)")
                    .arg(payload.size()));
        break;
    default:
        break;
    }
}

bool InboundDispatcher::dispatchSharedStatus(quint16 code, const QByteArray &payload)
{
    const Slot slot = routeOf(SharedStatus, code);
    if (slot)
        (m_state->*slot)(payload);
    return slot != nullptr;
}

void InboundDispatcher::handleStatus(quint16 code, const QByteArray &payload)
{
    if (dispatchSharedStatus(code, payload))
        return;
    if (code != CommandCode::AiRecognitionSet && code != CommandCode::TargetTrackingSet)
        return;
    // The device answers these two commands in a status frame: two bytes are
    // the result, anything else is a report of the recognised targets.
    if (payload.size() == 2) {
        if (code == CommandCode::AiRecognitionSet)
            emit aiRecognitionConfirmed(AiConfirmation::Answer);
        emit ackReceived(code, resultOf(payload), m_frameSequence);
        return;
    }
    m_state->updateAiTargets(payload, code == CommandCode::TargetTrackingSet);
    if (code == CommandCode::AiRecognitionSet)
        emit aiRecognitionConfirmed(AiConfirmation::TargetReport);
}

void InboundDispatcher::handleSecondStatus(quint16 code, const QByteArray &payload)
{
    if (dispatchSharedStatus(code, payload))
        return;
    if (code == CommandCode::AiRecognitionSet || code == CommandCode::TargetTrackingSet) {
        m_state->updateAiTargets(payload, code == CommandCode::TargetTrackingSet);
        if (code == CommandCode::AiRecognitionSet)
            emit aiRecognitionConfirmed(AiConfirmation::StatusFrame);
        return;
    }
    if (const Slot slot = routeOf(SecondStatusOnly, code))
        (m_state->*slot)(payload);
}
