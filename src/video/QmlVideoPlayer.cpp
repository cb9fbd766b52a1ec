#include "video/QmlVideoPlayer.h"

#include "link/Language.h"
#include "video/OutputLocation.h"
#include "video/VideoFrameItem.h"
#include "video/VideoPlayerTimer.h"
#include "video/VideoRecorder.h"

#include <QDir>
#include <QImage>

#include <algorithm>

namespace
{

QString textStopped()
{
    return Language::pick(QStringLiteral("Stopped"), QStringLiteral("停止"));
}
QString textConnecting()
{
    return Language::pick(QStringLiteral("Connecting"), QStringLiteral("正在连接"));
}
QString textReconnecting()
{
    return Language::pick(QStringLiteral("Reconnecting"), QStringLiteral("正在重新连接"));
}
QString textPlaying()
{
    return Language::pick(QStringLiteral("Playing"), QStringLiteral("正在播放"));
}
QString textDisconnected()
{
    return Language::pick(QStringLiteral("Disconnected"), QStringLiteral("连接中断"));
}

} // namespace

QmlVideoPlayer::QmlVideoPlayer(QQuickItem *parent) : QQuickItem(parent)
{
    VideoFrame::registerMetaType();
    VideoStreamInfo::registerMetaType();
    setTimers(new VideoPlayerTimer, new VideoPlayerTimer);
    m_status = textStopped();
    m_stats = new PlayerStats(this);
    connect(m_stats, &PlayerStats::changed, this, &QmlVideoPlayer::statsChanged);
    connect(m_stats, &PlayerStats::logMessage, this, &QmlVideoPlayer::logMessage);
    connect(m_stats, &PlayerStats::summary, this, &QmlVideoPlayer::statsSummary);
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
    m_stats->setTarget(target);
    emit targetChanged();
}

void QmlVideoPlayer::setTransport(const QString &transport)
{
    bool ok = false;
    const StreamTransport::Choice choice = StreamTransport::fromName(transport, &ok);
    if (!ok || choice == m_transport)
        return;
    m_transport = choice;
    m_stats->setTransportChoice(choice);
    emit transportChanged();
}

void QmlVideoPlayer::setCameraClockSet(bool set)
{
    if (set == m_stats->cameraClockSet())
        return;
    m_stats->setCameraClockSet(set);
    emit cameraClockSetChanged();
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
    m_stats->decoderEnded();
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

void QmlVideoPlayer::setStatus(const QString &text)
{
    m_status = text;
    m_showsPlaying = false;
    emit statusChanged(m_status);
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
    decoder->setTransport(m_transport);
    // The interface takes pictures as they come; when it is held up, the
    // newest ones wait and older ones are not piled up behind them.
    decoder->setConsumerLimit(3);
    m_stats->decoderStarted(decoder->counters(), m_reconnecting);
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
        [this, serial](const QString &error) {
            if (serial == m_decoderSerial)
                onDecoderError(error);
        },
        Qt::QueuedConnection);
    connect(
        decoder, &QThread::finished, this, [this, serial] { onDecoderFinished(serial); },
        Qt::QueuedConnection);
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
    stopRecording();
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

void QmlVideoPlayer::clearRecordingReady()
{
    if (!m_recordingReady)
        return;
    m_recordingReady = false;
    emit recordingReadyChanged();
}

qint64 QmlVideoPlayer::recordingElapsedMs() const
{
    return m_recordingReady ? m_recordingClock.elapsed() : 0;
}

QString QmlVideoPlayer::outputPath(bool recording) const
{
    const auto kind = recording ? OutputLocation::Recording : OutputLocation::Screenshot;
    if (m_outputFolder.isEmpty())
        return OutputLocation::pathFor(kind);
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
    if (m_url != t) {
        m_url = t;
        emit urlChanged(m_url);
    }
    if (!m_playing) {
        m_playing = true;
        emit playingChanged(true);
    }
    m_stats->playingStarted();
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
    m_stats->playingStopped();
    if (m_playing) {
        m_playing = false;
        emit playingChanged(false);
    }
    m_status = textStopped();
    m_showsPlaying = false;
    if (m_target)
        m_target->clearFrame();
    resetStreamInfo();
    emit statusChanged(m_status);
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
    m_stats->pictureGiven(frame.timing);
    // Once per stretch of pictures, not per picture: the text is chosen in
    // the operator's language, which is read from the settings store.
    if (!m_showsPlaying) {
        setStatus(textPlaying());
        m_showsPlaying = true;
    }
}

void QmlVideoPlayer::onStreamInfoUpdated(const VideoStreamInfo &info)
{
    m_stats->streamInfo(info);
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

void QmlVideoPlayer::onDecoderError(const QString &error)
{
    m_status = textDisconnected();
    m_showsPlaying = false;
    resetStreamInfo();
    emit errorOccurred(error);
    emit statusChanged(m_status);
}

void QmlVideoPlayer::onDecoderFinished(quint64 serial)
{
    if (serial != m_decoderSerial || !m_decoder)
        return;
    VideoDecoder *decoder = m_decoder;
    decoder->detachRecorder();
    m_decoder = nullptr;
    m_stats->decoderEnded();
    ++m_decoderSerial;
    disconnect(decoder, nullptr, this, nullptr);
    decoder->deleteLater();
    m_watchdog->stop();
    resetStreamInfo();
    if (m_recorder)
        stopRecording();
    if (m_wanted && !m_reconnectTimer->isActive())
        scheduleRestart();
}

void QmlVideoPlayer::onWatchdogTimeout()
{
    if (!m_wanted)
        return;
    m_watchdog->stop();
    m_reconnectTimer->stop();
    stopRecording();
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
        emit errorOccurred(Language::pick(QStringLiteral("No video frame to capture"),
                                          QStringLiteral("没有视频画面可截图")));
        return QString();
    }
    const QImage image = m_target->currentFrameImage();
    if (image.isNull()) {
        emit errorOccurred(Language::pick(QStringLiteral("No video frame available to save"),
                                          QStringLiteral("当前没有可保存的视频帧")));
        return QString();
    }
    const QString path = outputPath(false);
    if (!image.save(path, "PNG")) {
        emit errorOccurred(Language::pick(QStringLiteral("Failed to save screenshot"),
                                          QStringLiteral("截图保存失败")));
        return QString();
    }
    setLastOutput(path);
    return path;
}

void QmlVideoPlayer::dropRecorder(VideoRecorder *recorder)
{
    if (m_decoder)
        m_decoder->detachRecorder();
    recorder->deleteLater();
    if (m_recorder == recorder)
        m_recorder = nullptr;
    clearRecordingReady();
}

void QmlVideoPlayer::startRecording(const QString &url)
{
    if (m_recorder)
        return;
    QString source = url.trimmed();
    if (source.isEmpty())
        source = m_url;
    if (!m_decoder || source.isEmpty()) {
        emit errorOccurred(Language::pick(QStringLiteral("No video source available for recording"),
                                          QStringLiteral("没有可录制的视频源")));
        return;
    }
    const QString path = outputPath(true);
    auto *recorder = new VideoRecorder(this);
    recorder->setOutputPath(path);
    m_recorder = recorder;
    setLastOutput(path);
    clearRecordingReady();
    emit recordingChanged(true);

    connect(recorder, &VideoRecorder::startedRecording, this, [this, recorder] {
        if (m_recorder == recorder && !m_recordingReady) {
            m_recordingReady = true;
            m_recordingClock.start();
            emit recordingReadyChanged();
        }
    });
    connect(recorder, &VideoRecorder::finishedRecording, this,
            [this, recorder](const QString &finished) {
                if (m_recorder != recorder)
                    return;
                dropRecorder(recorder);
                setLastOutput(finished);
                emit recordingChanged(false);
            });
    connect(recorder, &VideoRecorder::errorOccurred, this, [this, recorder](const QString &error) {
        if (m_recorder != recorder)
            return;
        emit errorOccurred(error);
        dropRecorder(recorder);
        emit recordingChanged(false);
    });
    recorder->start();
    m_decoder->attachRecorder(recorder);
}

void QmlVideoPlayer::stopRecording()
{
    if (!m_recorder)
        return;
    VideoRecorder *recorder = m_recorder;
    // From here on the recorder's own signals no longer concern the player.
    m_recorder = nullptr;
    if (m_decoder)
        m_decoder->detachRecorder();
    recorder->requestStop();
    if (recorder->wait(ulong(std::max(0, m_timing.recorderStopMs)))) {
        disconnect(recorder, nullptr, this, nullptr);
        recorder->deleteLater();
    } else {
        disconnect(recorder, nullptr, this, nullptr);
        recorder->setParent(nullptr);
        connect(recorder, &QThread::finished, recorder, &QObject::deleteLater);
        if (recorder->isFinished())
            recorder->deleteLater();
        emit errorOccurred(Language::pick(
            QStringLiteral("Stop recording timed out; recorder will exit in background"),
            QStringLiteral("停止录像超时，录像线程将在后台退出")));
    }
    clearRecordingReady();
    emit recordingChanged(false);
}

void QmlVideoPlayer::toggleRecording(const QString &url)
{
    if (m_recorder)
        stopRecording();
    else
        startRecording(url);
}
