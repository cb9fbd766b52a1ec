#include "video/QmlVideoPlayer.h"

#include "link/Language.h"
#include "video/OutputLocation.h"
#include "video/RecordingSession.h"
#include "video/TelemetryFeed.h"
#include "video/VideoFrameItem.h"
#include "video/VideoPlayerTimer.h"

#include <QDir>
#include <QImage>

#include <cerrno>
#include <cstring>

#include <algorithm>

namespace
{

BilingualText textStopped()
{
    return BilingualText{QStringLiteral("Stopped"), QStringLiteral("停止")};
}
BilingualText textConnecting()
{
    return BilingualText{QStringLiteral("Connecting"), QStringLiteral("正在连接")};
}
BilingualText textReconnecting()
{
    return BilingualText{QStringLiteral("Reconnecting"), QStringLiteral("正在重新连接")};
}
BilingualText textPlaying()
{
    return BilingualText{QStringLiteral("Playing"), QStringLiteral("正在播放")};
}
BilingualText textDisconnected()
{
    return BilingualText{QStringLiteral("Disconnected"), QStringLiteral("连接中断")};
}

} // namespace

QmlVideoPlayer::QmlVideoPlayer(QQuickItem *parent) : QQuickItem(parent)
{
    VideoFrame::registerMetaType();
    VideoStreamInfo::registerMetaType();
    // The scene reads these through the player's properties.
    qRegisterMetaType<RecordingSession *>();
    qRegisterMetaType<TelemetryFeed *>();
    setTimers(new VideoPlayerTimer, new VideoPlayerTimer);
    m_status = textStopped();
    wireRecording();
    connect(Language::instance(), &Language::changed, this, [this] {
        emit statusChanged(status());
        if (!m_lastError.isEmpty())
            emit lastErrorChanged();
    });
}

QmlVideoPlayer::~QmlVideoPlayer()
{
    m_wanted = false;
    m_reconnectTimer->stop();
    m_watchdog->stop();
    stopRecording();
    if (m_decoder) {
        // Going away: a decoder still ending gets the recorder's allowance
        // before it is left to finish on its own.
        m_timing.retireWaitMs = std::max(m_timing.retireWaitMs, m_timing.recorderStopMs);
        retireDecoder();
    }
}

void QmlVideoPlayer::setTiming(const Timing &timing)
{
    m_timing = timing;
    if (m_timing.backoff.isEmpty())
        m_timing.backoff = Timing().backoff;
    RecordingSession::Timing recording = m_recording->timing();
    recording.stopWaitMs = m_timing.recorderStopMs;
    m_recording->setTiming(recording);
}

void QmlVideoPlayer::setTimers(VideoPlayerTimer *reconnect, VideoPlayerTimer *watchdog)
{
    delete m_reconnectTimer;
    delete m_watchdog;
    m_reconnectTimer = reconnect;
    m_watchdog = watchdog;
    m_reconnectTimer->setParent(this);
    m_watchdog->setParent(this);
    connect(m_reconnectTimer, &VideoPlayerTimer::timeout, this,
            &QmlVideoPlayer::onReconnectTimeout);
    connect(m_watchdog, &VideoPlayerTimer::timeout, this, &QmlVideoPlayer::onWatchdogTimeout);
}

void QmlVideoPlayer::setUrl(const QString &url)
{
    if (url == m_url)
        return;
    m_url = url;
    emit urlChanged(m_url);
}

VideoFrameItem *QmlVideoPlayer::target() const
{
    return m_target.data();
}

void QmlVideoPlayer::setTarget(VideoFrameItem *target)
{
    if (target == m_target.data())
        return;
    m_target = target;
    emit targetChanged();
}

QString QmlVideoPlayer::formatBitrate(qint64 b)
{
    if (b <= 0)
        return QStringLiteral("--");
    if (b / 1000000.0 >= 1.0)
        return QStringLiteral("%1 Mbps").arg(QString::number(b / 1000000.0, 'f', 1));
    if (b / 1000.0 >= 1.0)
        return QStringLiteral("%1 Kbps").arg(QString::number(b / 1000.0, 'f', 0));
    return QStringLiteral("%1 bps").arg(b);
}

// --- internal steps ---------------------------------------------------------

void QmlVideoPlayer::retireDecoder()
{
    if (!m_decoder)
        return;
    VideoDecoder *decoder = m_decoder;
    m_decoder = nullptr;
    ++m_decoderSerial; // whatever it already queued is now ignored
    disconnect(decoder, nullptr, this, nullptr);
    decoder->detachRecorder();
    decoder->requestStop();
    decoder->setParent(nullptr);
    connect(decoder, &QThread::finished, decoder, &QObject::deleteLater);
    // Usually done within one poll; a decoder stuck in a call the library
    // cannot interrupt (a name look-up, say) ends in the background instead.
    if (decoder->wait(ulong(std::max(0, m_timing.retireWaitMs))))
        decoder->deleteLater();
}

void QmlVideoPlayer::resetStreamInfo()
{
    const bool any = m_streamWidth != 0 || m_streamHeight != 0 || !m_codecName.isEmpty() ||
                     !m_bitrateText.isEmpty();
    m_streamWidth = 0;
    m_streamHeight = 0;
    m_codecName.clear();
    m_bitrateText.clear();
    if (any)
        emit streamInfoChanged();
}

void QmlVideoPlayer::setReconnecting(bool value)
{
    if (value == m_reconnecting)
        return;
    m_reconnecting = value;
    emit reconnectingChanged(value);
}

void QmlVideoPlayer::setStatus(const BilingualText &text)
{
    m_status = text;
    m_showsPlaying = false;
    emit statusChanged(status());
}

void QmlVideoPlayer::reportError(const BilingualText &error)
{
    m_lastError = error;
    emit lastErrorChanged();
    emit errorOccurred(error.text());
}

void QmlVideoPlayer::clearError()
{
    if (m_lastError.isEmpty())
        return;
    m_lastError = BilingualText();
    emit lastErrorChanged();
}

void QmlVideoPlayer::armWatchdog(int ms)
{
    m_watchdog->stop();
    if (m_wanted && ms > 0)
        m_watchdog->start(ms);
}

void QmlVideoPlayer::openDecoder()
{
    if (!m_wanted || m_decoder || m_url.isEmpty())
        return;
    setStatus(m_reconnecting ? textReconnecting() : textConnecting());
    auto *decoder = new VideoDecoder(this);
    decoder->setUrl(m_url);
    decoder->setTiming(m_timing.decoder);
    m_decoder = decoder;
    const quint64 serial = ++m_decoderSerial;
    connect(
        decoder, &VideoDecoder::frameReady, this,
        [this, serial](const VideoFrame &frame) {
            if (serial == m_decoderSerial)
                onFrameReady(frame);
        },
        Qt::QueuedConnection);
    connect(
        decoder, &VideoDecoder::streamInfoUpdated, this,
        [this, serial](const VideoStreamInfo &info) {
            if (serial == m_decoderSerial)
                onStreamInfoUpdated(info);
        },
        Qt::QueuedConnection);
    connect(
        decoder, &VideoDecoder::errorOccurred, this,
        [this, serial, decoder](const QString &error) {
            if (serial != m_decoderSerial)
                return;
            // The decoder keeps its last message in both languages.
            const BilingualText both = decoder->lastError();
            onDecoderError(both.isEmpty() ? BilingualText{error, error} : both);
        },
        Qt::QueuedConnection);
    connect(
        decoder, &QThread::finished, this, [this, serial] { onDecoderFinished(serial); },
        Qt::QueuedConnection);
    // A recording waiting for the stream continues from this connection.
    m_recording->streamOpened(decoder);
    decoder->start();
    armWatchdog(m_timing.firstPictureMs);
}

void QmlVideoPlayer::scheduleRestart()
{
    const int last = m_timing.backoff.size() - 1;
    const int interval = m_timing.backoff.at(std::clamp(m_failures, 0, last));
    ++m_failures;
    setReconnecting(true);
    setStatus(textReconnecting());
    m_reconnectTimer->start(interval);
}

void QmlVideoPlayer::teardownPipeline()
{
    m_reconnectTimer->stop();
    m_watchdog->stop();
    m_recording->streamLost();
    retireDecoder();
    resetStreamInfo();
}

void QmlVideoPlayer::setLastOutput(const QString &path)
{
    if (path == m_lastOutput)
        return;
    m_lastOutput = path;
    emit lastOutputChanged(m_lastOutput);
}

bool QmlVideoPlayer::recording() const
{
    return m_recording->active();
}

bool QmlVideoPlayer::recordingReady() const
{
    return m_recording->ready();
}

qint64 QmlVideoPlayer::recordingElapsedMs() const
{
    return m_recording->elapsedMs();
}

QString QmlVideoPlayer::outputPath(bool recording) const
{
    const auto kind = recording ? OutputLocation::Recording : OutputLocation::Screenshot;
    if (m_outputFolder.isEmpty())
        return OutputLocation::pathFor(kind);
    // Never beside the program or in the working directory instead.
    if (!OutputLocation::isWritableFolder(m_outputFolder))
        return QString();
    return QDir(m_outputFolder)
        .filePath(OutputLocation::fileName(kind, QDateTime::currentDateTime()));
}

// --- operations -------------------------------------------------------------

void QmlVideoPlayer::start(const QString &url)
{
    const QString t = url.trimmed();
    if (t == m_url && m_wanted && m_decoder && !m_reconnecting)
        return;
    m_wanted = true;
    m_failures = 0;
    m_reconnectTimer->stop();
    m_watchdog->stop();
    setReconnecting(false);
    clearError();
    if (m_url != t) {
        m_url = t;
        emit urlChanged(m_url);
    }
    if (!m_playing) {
        m_playing = true;
        emit playingChanged(true);
    }
    if (m_decoder) {
        stopRecording();
        retireDecoder();
        resetStreamInfo();
        setReconnecting(true);
        setStatus(textReconnecting());
        m_reconnectTimer->start(m_timing.restartMs);
    } else {
        openDecoder();
    }
}

void QmlVideoPlayer::start()
{
    start(m_url);
}

void QmlVideoPlayer::stop()
{
    m_wanted = false;
    m_failures = 0;
    m_reconnectTimer->stop();
    m_watchdog->stop();
    setReconnecting(false);
    stopRecording();
    retireDecoder();
    if (m_playing) {
        m_playing = false;
        emit playingChanged(false);
    }
    m_status = textStopped();
    m_showsPlaying = false;
    clearError();
    if (m_target)
        m_target->clearFrame();
    resetStreamInfo();
    emit statusChanged(status());
}

void QmlVideoPlayer::reconnect()
{
    if (!m_wanted || m_url.isEmpty())
        return;
    if (m_target)
        m_target->setFrozen(true);
    m_failures = 0;
    teardownPipeline();
    setReconnecting(true);
    setStatus(textReconnecting());
    openDecoder();
}

void QmlVideoPlayer::holdForStreamChange()
{
    if (!m_wanted)
        return;
    if (m_target)
        m_target->setFrozen(true);
    teardownPipeline();
    setReconnecting(true);
    setStatus(textReconnecting());
}

void QmlVideoPlayer::onReconnectTimeout()
{
    if (m_wanted && !m_decoder)
        openDecoder();
}

void QmlVideoPlayer::onFrameReady(const VideoFrame &frame)
{
    m_failures = 0;
    setReconnecting(false);
    armWatchdog(m_timing.pictureMs);
    if (m_target) {
        m_target->setFrozen(false);
        m_target->setFrame(frame);
    }
    // Once per stretch of pictures, not per picture: the text is chosen in
    // the operator's language, which is read from the settings store.
    if (!m_showsPlaying) {
        setStatus(textPlaying());
        m_showsPlaying = true;
    }
}

void QmlVideoPlayer::onStreamInfoUpdated(const VideoStreamInfo &info)
{
    const QString text = formatBitrate(info.bitrate);
    if (info.width == m_streamWidth && info.height == m_streamHeight &&
        info.codecName == m_codecName && text == m_bitrateText)
        return;
    m_streamWidth = info.width;
    m_streamHeight = info.height;
    m_codecName = info.codecName;
    m_bitrateText = text;
    emit streamInfoChanged();
}

void QmlVideoPlayer::onDecoderError(const BilingualText &error)
{
    m_status = textDisconnected();
    m_showsPlaying = false;
    resetStreamInfo();
    reportError(error);
    emit statusChanged(status());
}

void QmlVideoPlayer::onDecoderFinished(quint64 serial)
{
    if (serial != m_decoderSerial || !m_decoder)
        return;
    VideoDecoder *decoder = m_decoder;
    decoder->detachRecorder();
    m_decoder = nullptr;
    ++m_decoderSerial;
    disconnect(decoder, nullptr, this, nullptr);
    decoder->deleteLater();
    m_watchdog->stop();
    resetStreamInfo();
    // The recording goes on into its next part once pictures return (after
    // Stop nothing records anyway).
    m_recording->streamLost();
    if (m_wanted && !m_reconnectTimer->isActive())
        scheduleRestart();
}

void QmlVideoPlayer::onWatchdogTimeout()
{
    if (!m_wanted)
        return;
    m_watchdog->stop();
    m_reconnectTimer->stop();
    m_recording->streamLost();
    retireDecoder();
    resetStreamInfo();
    setReconnecting(true);
    setStatus(textReconnecting());
    m_failures = std::min(m_failures, 1);
    if (m_wanted && !m_reconnectTimer->isActive())
        scheduleRestart();
}

QString QmlVideoPlayer::captureFrame()
{
    if (!m_target) {
        reportError(BilingualText{QStringLiteral("No video frame to capture"),
                                  QStringLiteral("没有视频画面可截图")});
        return QString();
    }
    QImage image = m_target->currentFrameImage();
    if (image.isNull()) {
        reportError(BilingualText{QStringLiteral("No video frame available to save"),
                                  QStringLiteral("当前没有可保存的视频帧")});
        return QString();
    }
    // The picture carries what the camera reported when it was taken.
    const auto fields = m_telemetry->sample(m_url).imageFields();
    for (const auto &field : fields)
        image.setText(field.first, field.second);
    const QString path = outputPath(false);
    if (path.isEmpty() || !image.save(path, "PNG")) {
        reportError(BilingualText{QStringLiteral("Failed to save screenshot"),
                                  QStringLiteral("截图保存失败")});
        return QString();
    }
    setLastOutput(path);
    return path;
}

void QmlVideoPlayer::wireRecording()
{
    m_telemetry = new TelemetryFeed(this);
    m_recording = new RecordingSession(this);
    m_recording->setFeed(m_telemetry);
    connect(m_recording, &RecordingSession::activeChanged, this, &QmlVideoPlayer::recordingChanged);
    connect(m_recording, &RecordingSession::readyChanged, this,
            &QmlVideoPlayer::recordingReadyChanged);
    connect(m_recording, &RecordingSession::failed, this, &QmlVideoPlayer::reportError);
    connect(m_recording, &RecordingSession::ended, this, [this](bool saved, const QString &path) {
        // Nothing on disk: the path announced at the start names no file.
        setLastOutput(saved ? path : m_outputBeforeRecording);
    });
}

void QmlVideoPlayer::startRecording(const QString &url)
{
    if (m_recording->active())
        return;
    QString source = url.trimmed();
    if (source.isEmpty())
        source = m_url;
    if (!m_decoder || source.isEmpty()) {
        reportError(BilingualText{QStringLiteral("No video source available for recording"),
                                  QStringLiteral("没有可录制的视频源")});
        return;
    }
    const QString path = outputPath(true);
    if (path.isEmpty()) {
        const QString reason = QString::fromLocal8Bit(std::strerror(EACCES));
        reportError(BilingualText{QStringLiteral("Cannot create record file: %1").arg(reason),
                                  QStringLiteral("无法创建录像文件: %1").arg(reason)});
        return;
    }
    const QString before = m_lastOutput;
    if (!m_recording->begin(path, m_decoder))
        return;
    m_outputBeforeRecording = before;
    setLastOutput(path);
}

void QmlVideoPlayer::stopRecording()
{
    m_recording->stop();
}

void QmlVideoPlayer::toggleRecording(const QString &url)
{
    if (m_recording->active())
        stopRecording();
    else
        startRecording(url);
}
