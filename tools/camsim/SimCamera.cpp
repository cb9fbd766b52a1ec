#include "camsim/SimCamera.h"

#include "camsim/MediaCard.h"
#include "camsim/SimGeometry.h"
#include "catalog/GimbalModel.h"
#include "link/CommandCode.h"
#include "link/Payload.h"

#include <QDateTime>
#include <QHostAddress>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace
{

QByteArray ipBytes(int a, int b, int c, int d)
{
    QByteArray out;
    for (int v : {a, b, c, d})
        Payload::appendU8(out, v);
    return out;
}

} // namespace

SimCamera::SimCamera(const SimOptions &options, QObject *parent)
    : QObject(parent), m_options(options), m_model(new GimbalModel(options.modelId)),
      m_cardPresent(options.card != SimOptions::CardState::None), m_gimbal(modelSpec()),
      m_infrared(modelSpec(), m_gimbal), m_visible(modelSpec()),
      m_peripherals(modelSpec(), m_gimbal),
      m_album(modelSpec(), options, m_cardPresent, [this](qint64 at, const SimFrame &frame) {
          m_pending.append(Pending{at, frame, 0.0, false});
      })
{
    resetSettings();
    if (options.card == SimOptions::CardState::Full)
        m_cardUsedMB = m_cardTotalMB;
    // Address data as a camera on its usual network would report it; it is
    // never used as a destination.
    QHostAddress address(modelSpec().defaultUdpIp);
    const quint32 v4 = address.toIPv4Address();
    m_ip = ipBytes(int(v4 >> 24), int((v4 >> 16) & 0xFF), int((v4 >> 8) & 0xFF), int(v4 & 0xFF));
    m_mask = ipBytes(255, 255, 255, 0);
    m_gateway = ipBytes(int(v4 >> 24), int((v4 >> 16) & 0xFF), int((v4 >> 8) & 0xFF), 1);
    updateStream();
}

SimCamera::~SimCamera() = default;

const ModelSpec &SimCamera::modelSpec() const
{
    return m_model->modelSpec();
}

void SimCamera::resetSettings()
{
    const ModelSpec &s = modelSpec();
    m_streamMode = s.videoOutputModes.isEmpty() ? 6 : s.videoOutputModes.first().value;
    m_outputRes = s.streamResolutions.isEmpty() ? 0 : s.streamResolutions.first().value;
    m_bitrate = SimReply::hasOptionValue(s.bitrates, 4)
                    ? 4
                    : (s.bitrates.isEmpty() ? 0 : s.bitrates.first().value);
    m_encoding = 0;
    m_infrared.reset();
    m_visible.reset();
    for (int i = 0; i < 15; ++i)
        m_osd[size_t(i)] = OsdItem{i == 3 || i == 8, i < 8 ? 1 : 3, 1};
    m_watermark = false;
}

// ---------------------------------------------------------------------------
// Commands

SimFrame SimCamera::status(quint16 code, const QByteArray &payload) const
{
    return SimReply::frame(quint32(m_options.statusKind), code, payload);
}

QVector<SimFrame> SimCamera::handleCommand(quint16 code, const QByteArray &payload, qint64 nowMs)
{
    if (!m_started)
        advance(nowMs);
    QVector<SimFrame> out;
    if (m_rebooting)
        return out; // nobody home until the reboot is over
    const auto forced = m_options.ackResults.constFind(code);
    if (forced != m_options.ackResults.constEnd() && forced.value() != Ok) {
        // A forced refusal: the command is not carried out.
        QByteArray p;
        Payload::appendU16(p, forced.value());
        out.append(SimReply::ack(code, p));
        return out;
    }
    QByteArray extra;
    bool noResult = false;
    const quint16 result = dispatch(code, payload, nowMs, &extra, &noResult);
    QByteArray reply;
    if (noResult && result == Ok) {
        reply = extra;
    } else {
        Payload::appendU16(reply, result);
        if (result == Ok)
            reply.append(extra);
    }
    out.append(SimReply::ack(code, reply));
    return out;
}

quint16 SimCamera::dispatch(quint16 code, const QByteArray &p, qint64 now, QByteArray *extra,
                            bool *noResult)
{
    // A code's high byte names the group it belongs to.
    switch (code >> 8) {
    case 0:
        return m_gimbal.command(code, p, now, extra);
    case 1:
        return m_infrared.command(code, p, extra);
    case 2:
        return m_visible.command(code, p, extra);
    case 3:
        return cameraCommand(code, p, now, extra, noResult);
    case 4:
    case 5:
        return m_peripherals.command(code, p, m_lastMs, extra);
    default:
        return UnknownCommand;
    }
}

quint16 SimCamera::cameraCommand(quint16 code, const QByteArray &p, qint64 now, QByteArray *extra,
                                 bool *noResult)
{
    const ModelSpec &s = modelSpec();
    const int b0 = Payload::readU8(p, 0);
    switch (code) {
    case CommandCode::PhotoVideoMode:
        if (p.isEmpty() || b0 > 1)
            return InvalidParameter;
        m_photoVideoMode = b0;
        return Ok;
    case CommandCode::PhotoParams:
        if (p.size() < 3)
            return InvalidParameter;
        m_photoMode = b0;
        m_timelapse = Payload::readU8(p, 1);
        m_burst = Payload::readU8(p, 2);
        return Ok;
    case CommandCode::TakePhoto:
        return takePhoto(p, now);
    case CommandCode::RecordVideo:
        return record(p, now);
    case CommandCode::HybridZoom:
    case CommandCode::ContinuousZoom:
        return m_visible.command(code, p, extra);
    case CommandCode::SetBitrate:
        if (p.isEmpty() || !SimReply::optionByWriteValue(s.bitrates, b0))
            return InvalidParameter;
        m_bitrate = SimReply::optionByWriteValue(s.bitrates, b0)->value;
        updateStream();
        return Ok;
    case CommandCode::SetStreamResolution: {
        const ModelOption *o =
            p.isEmpty() ? nullptr : SimReply::optionByWriteValue(s.streamResolutions, b0);
        if (!o)
            return InvalidParameter;
        m_outputRes = o->value;
        updateStream();
        return Ok;
    }
    case CommandCode::SetEncodingFormat:
        if (p.isEmpty() || b0 > 1)
            return InvalidParameter;
        m_encoding = b0;
        updateStream();
        return Ok;
    case CommandCode::FormatStorageCard:
        if (!m_cardPresent)
            return NotReady;
        if (m_recording)
            return NotReady;
        m_cardUsedMB = 0;
        return Ok;
    case CommandCode::TimeSync:
        if (p.size() < 8)
            return InvalidParameter;
        m_clockOffsetMs =
            qint64(quint64(Payload::readU32(p, 0)) | (quint64(Payload::readU32(p, 4)) << 32)) - now;
        return Ok;
    case CommandCode::FactoryReset:
        if (m_recording)
            stopRecording(now);
        resetSettings();
        updateStream();
        return Ok;
    case CommandCode::SetIp:
        if (!s.hasNetworkConfig)
            return Unsupported;
        if (p.size() < 13)
            return InvalidParameter;
        m_ip = p.mid(1, 4);
        m_mask = p.mid(5, 4);
        m_gateway = p.mid(9, 4);
        return Ok;
    case CommandCode::GetIp:
        if (!s.hasNetworkConfig)
            return Unsupported;
        extra->append(m_ip).append(m_mask).append(m_gateway);
        return Ok;
    case CommandCode::FocusControl:
        return p.isEmpty() ? InvalidParameter : Ok;
    case CommandCode::OsdWatermarkSwitch:
        if (!s.hasOsd)
            return Unsupported;
        if (p.isEmpty())
            return InvalidParameter;
        m_watermark = b0 != 0;
        return Ok;
    case CommandCode::CameraShutdown:
        if (m_recording)
            stopRecording(now);
        return Ok;
    case CommandCode::GetCameraVersion: // camera version, 2.6.31 until an upgrade
        extra->append(m_cameraVersion);
        return Ok;
    case CommandCode::GetKernelVersion: // kernel version 5.10.120
        for (int v : {5, 10, 120})
            Payload::appendU8(*extra, v);
        return Ok;
    case CommandCode::SetImageMode:
        if (!s.hasVideoOutputFormat)
            return Unsupported;
        if (p.isEmpty() || !SimReply::hasOptionValue(s.videoOutputModes, b0))
            return InvalidParameter;
        m_streamMode = b0;
        if (m_streamMode == 7)
            m_tracking = false;
        return Ok;
    case CommandCode::AiRecognitionSet:
        if (!s.hasAiRecognition)
            return Unsupported;
        if (p.size() < 2 || (b0 != 1 && b0 != 2))
            return InvalidParameter;
        m_aiOn = b0 == 1;
        m_aiMask = m_aiOn ? p.mid(2, 16).leftJustified(16, '\0') : QByteArray(16, '\0');
        m_nextAi = now + AiReportIntervalMs;
        return Ok;
    case CommandCode::TargetTrackingSet: {
        if (!s.hasAiRecognition)
            return Unsupported;
        if (p.size() < 9 || (b0 != 1 && b0 != 2))
            return InvalidParameter;
        if (b0 == 2) {
            m_tracking = false;
            return Ok;
        }
        if (m_streamMode == 7)
            return NotReady; // no tracking on a split picture
        m_trackX = Payload::readU16(p, 1);
        m_trackY = Payload::readU16(p, 3);
        m_trackW = qMax(1, int(Payload::readU16(p, 5)));
        m_trackH = qMax(1, int(Payload::readU16(p, 7)));
        m_tracking = true;
        m_trackStart = now;
        m_nextAi = now + AiReportIntervalMs;
        return Ok;
    }
    case CommandCode::GetCoreTemperature: // core temperature, warmer while recording
        Payload::appendS16(*extra, SimReply::tenths(46.0 + 2.0 * std::sin(now / 60000.0) +
                                                    (m_recording ? 4.0 : 0.0)));
        return Ok;
    case CommandCode::SetOsdConfig: {
        if (!s.hasOsd)
            return Unsupported;
        if (p.size() < 4)
            return InvalidParameter;
        const int item = b0 & 0x7F;
        const int pos = Payload::readU8(p, 1);
        const int color = Payload::readU8(p, 2);
        if (item < 1 || item > 15 || pos < 1 || pos > 4 || color < 1 || color > 2)
            return InvalidParameter;
        m_osd[size_t(item - 1)] = OsdItem{(b0 & 0x80) != 0, pos, color};
        return Ok;
    }
    case CommandCode::SetOsdCustomText:
        if (!s.hasOsd)
            return Unsupported;
        return p.size() < 65 || b0 < 1 || b0 > 3 ? InvalidParameter : Ok;
    case CommandCode::GetOsdConfig: // OSD read-back: 15 item records and the watermark, no result
                                    // code
        if (!s.hasOsd)
            return Unsupported;
        for (const OsdItem &item : m_osd) {
            Payload::appendU8(*extra, item.enabled ? 1 : 0);
            Payload::appendU8(*extra, (item.position & 0x0F) | (item.color << 4));
        }
        Payload::appendU8(*extra, m_watermark ? 1 : 0);
        *noResult = true;
        return Ok;
    case CommandCode::GetAiCategories:
        if (!s.hasAiRecognition)
            return Unsupported;
        Payload::appendU8(*extra, m_aiOn ? 1 : 0);
        extra->append(m_aiMask);
        return Ok;
    case CommandCode::GetDeviceSn: {
        QString sn = QStringLiteral("SK") + s.id.toUpper().remove(QLatin1Char('-')).left(6) +
                     QStringLiteral("24060137");
        Payload::appendFixedString(*extra, sn, 20);
        return Ok;
    }
    case CommandCode::PlaybackMode: // album, playback and where their data goes
    case CommandCode::RefreshMediaList:
    case CommandCode::DeleteMediaFile:
    case CommandCode::DownloadMediaFile:
    case CommandCode::StartVideoPlayback:
    case CommandCode::StopVideoPlayback:
    case CommandCode::PauseVideoPlayback:
    case CommandCode::SeekVideoPlayback:
    case CommandCode::SetPlaybackClient:
    case CommandCode::GetPlaybackClient:
        return m_album.command(code, p, now, extra);
    case CommandCode::SetUartProtocol:
        if (!s.hasUartProtocolConfig)
            return Unsupported;
        if (p.isEmpty() || b0 > 2)
            return InvalidParameter;
        m_uartProtocol = b0;
        return Ok;
    case CommandCode::GetUartProtocol:
        if (!s.hasUartProtocolConfig)
            return Unsupported;
        Payload::appendU8(*extra, m_uartProtocol);
        return Ok;
    case CommandCode::GpsRequest: // GPS exchange and linked settings: accepted, nothing to simulate
    case CommandCode::TargetGpsRequest:
    case CommandCode::TargetGpsReportSwitch:
    case CommandCode::SetRecordFormat:
    case CommandCode::SetLinkedZoom:
        return Ok;
    case CommandCode::GetRecordFormat:
    case CommandCode::GetLinkedZoom:
        Payload::appendU8(*extra, 0);
        return Ok;
    default:
        return UnknownCommand;
    }
}

// ---------------------------------------------------------------------------
// Capture and card

int SimCamera::cardStatus() const
{
    if (!m_cardPresent)
        return 3;
    return cardFreeMB() < 1.0 ? 4 : 0;
}

double SimCamera::cardFreeMB() const
{
    return m_cardPresent ? qMax(0.0, m_cardTotalMB - m_cardUsedMB) : 0.0;
}

void SimCamera::useCard(double mb)
{
    m_cardUsedMB = qMin(m_cardTotalMB, m_cardUsedMB + mb);
}

quint16 SimCamera::takePhoto(const QByteArray &p, qint64 now)
{
    if (p.size() < 2)
        return InvalidParameter;
    if (cardStatus() != 0 || m_photoBusy)
        return NotReady;
    m_photoBusy = true;
    const int mode = Payload::readU8(p, 0);
    // Progress: started, exposing, saving, then done (or failed when the card
    // filled up meanwhile, decided when the last step goes out).
    const int steps[] = {1, 2, 3, 0};
    const int delays[] = {40, 200, 450, 700};
    for (int i = 0; i < 4; ++i) {
        QByteArray payload;
        Payload::appendU8(payload, mode);
        Payload::appendU8(payload, steps[i]);
        Pending pending{now + delays[i], status(CommandCode::TakePhoto, payload), 0.0, i == 3};
        if (i == 3)
            pending.usedMB = PhotoSizeMB;
        m_pending.append(pending);
    }
    return Ok;
}

// Mode, state (1 recording, 0 stopped) and the seconds recorded.
QByteArray SimCamera::recordPayload(int state, qint64 now) const
{
    QByteArray p;
    Payload::appendU8(p, m_recordMode);
    Payload::appendU8(p, state);
    Payload::appendU16(p, quint16(qMin<qint64>(0xFFFF, (now - m_recordStart) / 1000)));
    return p;
}

quint16 SimCamera::record(const QByteArray &p, qint64 now)
{
    if (p.size() < 2)
        return InvalidParameter;
    const int action = Payload::readU8(p, 1);
    if (action == 2) {
        if (m_recording)
            stopRecording(now);
        return Ok;
    }
    if (action != 1)
        return InvalidParameter;
    if (m_recording)
        return Ok;
    if (cardStatus() != 0)
        return NotReady;
    m_recording = true;
    m_recordMode = Payload::readU8(p, 0);
    m_recordStart = now;
    m_nextRecordReport = now + 40;
    return Ok;
}

void SimCamera::stopRecording(qint64 now)
{
    m_recording = false;
    if (MediaCard *card = m_album.card(); card && m_cardPresent)
        card->addRecording(epochMs(now), now - m_recordStart);
    m_pending.append(
        Pending{now + 20, status(CommandCode::RecordVideo, recordPayload(0, now)), 0.0, false});
}

// ---------------------------------------------------------------------------
// Restart and time

void SimCamera::beginReboot(const QByteArray &cameraVersion)
{
    m_cameraVersion = cameraVersion.left(3).leftJustified(3, '\0');
    m_rebooting = true;
    m_rebootUntil = m_lastMs + m_options.rebootMs;
    // What was under way does not survive the restart.
    m_pending.clear();
    m_gimbal.halt();
    m_visible.stopZoom();
    m_recording = false;
    m_photoBusy = false;
    m_tracking = false;
    m_aiOn = false;
    m_peripherals.stopRanging();
    m_album.leave(m_lastMs); // ends playback and transfers
}

void SimCamera::finishReboot(qint64 now, QVector<SimFrame> *out)
{
    m_rebooting = false;
    m_lastMs = qMax(m_lastMs, now);
    m_nextAttitude = m_nextStatus = m_nextIr = m_nextVis = now;
    // Back on the link: tell whoever listens which version now runs.
    QByteArray payload;
    Payload::appendU16(payload, Ok);
    payload.append(m_cameraVersion);
    out->append(SimReply::ack(CommandCode::GetCameraVersion, payload));
}

QVector<SimFrame> SimCamera::advance(qint64 nowMs)
{
    QVector<SimFrame> out;
    if (!m_started) {
        m_started = true;
        m_lastMs = nowMs;
        m_nextAttitude = m_nextStatus = m_nextIr = m_nextVis = nowMs;
        m_nextAi = m_nextOverlay = nowMs;
    }
    if (m_rebooting) {
        if (nowMs < m_rebootUntil) {
            m_lastMs = qMax(m_lastMs, nowMs);
            return out;
        }
        finishReboot(nowMs, &out);
    }
    // Integrate in slices of at most 50 ms so the manual-motion hold ends on time.
    while (m_lastMs < nowMs) {
        const qint64 next = qMin(nowMs, m_lastMs + 50);
        const double dt = (next - m_lastMs) / 1000.0;
        m_gimbal.integrate(dt, next);
        m_visible.moveZoom(dt);
        if (m_recording) {
            useCard(RecordMBPerSecond * dt);
            if (cardFreeMB() < 1.0)
                stopRecording(next); // the card is full
        }
        m_lastMs = next;
    }

    // Events that fell due, in time order.
    std::stable_sort(m_pending.begin(), m_pending.end(),
                     [](const Pending &a, const Pending &b) { return a.at < b.at; });
    while (!m_pending.isEmpty() && m_pending.first().at <= nowMs) {
        Pending pending = m_pending.takeFirst();
        if (pending.photoDone) {
            m_photoBusy = false;
            if (cardFreeMB() < pending.usedMB) {
                pending.frame.payload[1] = char(6); // no room left: failed
                m_cardUsedMB = m_cardTotalMB;
            } else {
                useCard(pending.usedMB);
                if (MediaCard *card = m_album.card(); card && m_cardPresent)
                    card->addPhoto(epochMs(pending.at));
            }
        }
        out.append(pending.frame);
    }

    m_album.advance(nowMs, &out);

    if (m_recording && nowMs >= m_nextRecordReport) {
        out.append(status(CommandCode::RecordVideo, recordPayload(1, nowMs)));
        m_nextRecordReport = nowMs + 1000;
    }

    const ModelSpec &s = modelSpec();
    const auto due = [nowMs](qint64 &next, double hz) {
        if (nowMs < next)
            return false;
        const qint64 period = qMax<qint64>(1, qint64(1000.0 / hz));
        next += period;
        if (next <= nowMs) // fell far behind: do not burst, start afresh
            next = nowMs + period;
        return true;
    };
    if (due(m_nextAttitude, m_options.attitudeHz))
        out.append(status(CommandCode::GimbalAttitudeReport, attitudePayload()));
    if (due(m_nextStatus, m_options.statusHz)) {
        out.append(status(CommandCode::GimbalStatusReport, gimbalStatusPayload()));
        out.append(status(CommandCode::CameraSystemStatus, cameraSystemPayload()));
    }
    if (due(m_nextIr, m_options.irHz) && s.hasInfrared)
        out.append(status(CommandCode::IrCameraStatus, irStatusPayload()));
    if (due(m_nextVis, m_options.visHz) && s.hasVisibleLight)
        out.append(status(CommandCode::VisibleCameraStatus, visStatusPayload()));
    if ((m_aiOn || m_tracking) && nowMs >= m_nextAi) {
        out.append(
            status(m_tracking ? CommandCode::TargetTrackingSet : CommandCode::AiRecognitionSet,
                   aiReport(nowMs)));
        m_nextAi = nowMs + AiReportIntervalMs;
    }
    m_peripherals.advance(nowMs, &out);
    if (nowMs >= m_nextOverlay) {
        m_nextOverlay = nowMs + 100;
        const double yaw = m_gimbal.yaw(), pitch = m_gimbal.pitch(), zoom = m_visible.zoom();
        if (std::abs(yaw - m_lastOverlayYaw) > 0.01 ||
            std::abs(pitch - m_lastOverlayPitch) > 0.01 ||
            std::abs(zoom - m_lastOverlayZoom) > 0.01) {
            m_lastOverlayYaw = yaw;
            m_lastOverlayPitch = pitch;
            m_lastOverlayZoom = zoom;
            emit overlayChanged(yaw, pitch, zoom);
        }
    }
    return out;
}

void SimCamera::updateStream()
{
    const ModelSpec &s = modelSpec();
    int width = m_streamWidth, height = m_streamHeight, kbps = m_streamKbps;
    static const QRegularExpression size(QStringLiteral("(\\d+)x(\\d+)"));
    static const QRegularExpression rate(QStringLiteral("([0-9.]+)\\s*Mbps"));
    for (const ModelOption &o : s.streamResolutions) {
        if (o.value != m_outputRes)
            continue;
        const QRegularExpressionMatch m = size.match(o.englishLabel);
        if (m.hasMatch()) {
            width = m.captured(1).toInt();
            height = m.captured(2).toInt();
        }
    }
    for (const ModelOption &o : s.bitrates) {
        if (o.value != m_bitrate)
            continue;
        const QRegularExpressionMatch m = rate.match(o.englishLabel);
        if (m.hasMatch())
            kbps = int(std::lround(m.captured(1).toDouble() * 1000.0));
    }
    const bool h265 = m_encoding == 1;
    const bool changed = width != m_streamWidth || height != m_streamHeight ||
                         kbps != m_streamKbps || h265 != m_streamH265;
    m_streamWidth = width;
    m_streamHeight = height;
    m_streamKbps = kbps;
    m_streamH265 = h265;
    if (changed)
        emit streamSettingsChanged(m_streamWidth, m_streamHeight, m_streamH265, m_streamKbps);
}

// ---------------------------------------------------------------------------
// Reports

QByteArray SimCamera::attitudePayload() const
{
    return m_gimbal.attitudePayload(m_lastMs);
}

QByteArray SimCamera::gimbalStatusPayload() const
{
    return m_gimbal.statusPayload();
}

QByteArray SimCamera::irStatusPayload() const
{
    return m_infrared.statusPayload();
}

QByteArray SimCamera::visStatusPayload() const
{
    return m_visible.statusPayload();
}

QByteArray SimCamera::cameraSystemPayload() const
{
    QByteArray p;
    for (int v : {m_photoVideoMode, m_outputRes, m_encoding, m_streamMode, m_bitrate, m_photoMode,
                  m_timelapse, m_burst, cardStatus()})
        Payload::appendU8(p, v);
    if (m_cardPresent) {
        // Capacities in units of 10 MB.
        Payload::appendU16(p, quint16(m_cardTotalMB / 10.0));
        Payload::appendU16(p, quint16(cardFreeMB() / 10.0));
        Payload::appendU16(p, quint16(std::ceil(m_cardUsedMB / 10.0)));
    } else {
        for (int i = 0; i < 3; ++i)
            Payload::appendU16(p, 0xFFFF);
    }
    Payload::appendU8(p, 0);
    return p;
}

QByteArray SimCamera::aiReport(qint64 now) const
{
    const double t = now / 1000.0;
    QByteArray p;
    int count = 0;
    const auto target = [&p, &count](double x, double y, int w, int h, int confidence,
                                     int category) {
        Payload::appendU16(p, quint16(qBound(0.0, x, double(SimGeometry::PictureWidth - w))));
        Payload::appendU16(p, quint16(qBound(0.0, y, double(SimGeometry::PictureHeight - h))));
        Payload::appendU16(p, quint16(w));
        Payload::appendU16(p, quint16(h));
        Payload::appendU8(p, confidence);
        Payload::appendU8(p, category);
        ++count;
    };
    if (m_tracking) {
        // The tracked object drifts slowly and the box follows it.
        const double dt = (now - m_trackStart) / 1000.0;
        target(m_trackX + 60.0 * std::sin(dt * 0.7), m_trackY + 30.0 * std::sin(dt * 1.1), m_trackW,
               m_trackH, 90, 0);
    } else {
        QVector<int> categories;
        for (int c = 1; c <= 128 && categories.size() < 4; ++c)
            if (quint8(m_aiMask.at((c - 1) / 8)) & (1u << ((c - 1) % 8)))
                categories.append(c);
        for (int i = 0; i < categories.size(); ++i) {
            const double phase = i * 1.7;
            target(860 + 600 * std::sin(t * 0.25 + phase), 490 + 300 * std::sin(t * 0.4 + phase),
                   120 + 30 * i, 90 + 20 * i, 60 + int(30 * std::abs(std::sin(t + phase))),
                   categories.at(i));
        }
    }
    // A report of no target must not be two bytes long: in the first status
    // kind that length means a bare answer. One leading pad byte keeps it a
    // report with no complete record.
    if (count == 0 && m_options.statusKind == 0)
        Payload::appendU8(p, 0);
    Payload::appendU8(p, count);
    Payload::appendU8(p, count > 0 ? 1 : 0);
    return p;
}

// ---------------------------------------------------------------------------
// Album: card list, transfers and playback

qint64 SimCamera::epochMs(qint64 now) const
{
    // After a time sync the camera's clock is the ground station's.
    return m_clockOffsetMs != 0 ? m_clockOffsetMs + now : QDateTime::currentMSecsSinceEpoch();
}

quint16 SimCamera::clientPort(int type) const
{
    return m_album.clientPort(type);
}

QHostAddress SimCamera::clientAddress(int type) const
{
    return m_album.clientAddress(type);
}

QVector<MediaRequest> SimCamera::takeMediaRequests()
{
    return m_album.takeMediaRequests();
}

qint64 SimCamera::playPositionMs(qint64 nowMs) const
{
    return m_album.playPositionMs(nowMs);
}

QByteArray SimCamera::playbackStatusPayload(qint64 nowMs) const
{
    return m_album.playbackStatusPayload(nowMs);
}
