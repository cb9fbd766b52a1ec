#include "video/RecordingSession.h"

#include "catalog/AppSettingsBridge.h"
#include "link/Language.h"
#include "video/TelemetryFeed.h"
#include "video/VideoDecoder.h"
#include "video/VideoRecorder.h"

#include <QDir>
#include <QFileInfo>

namespace
{

BilingualText both(const QString &english, const QString &chinese)
{
    return BilingualText{english, chinese};
}

QString clock(const QTime &time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

RecordingSession::RecordingSession(QObject *parent) : QObject(parent)
{
    m_sampleTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_sampleTimer, &QTimer::timeout, this, &RecordingSession::sample);
    connect(&m_progressTimer, &QTimer::timeout, this, &RecordingSession::updateProgress);
    connect(&m_diskTimer, &QTimer::timeout, this, &RecordingSession::checkDisk);
    connect(Language::instance(), &Language::changed, this, [this] {
        emit statusTextChanged();
        emit diskTextChanged();
        emit progressChanged();
    });
}

RecordingSession::~RecordingSession()
{
    stop();
}

void RecordingSession::setFreeSpaceSource(DiskGuard::FreeSpaceSource source)
{
    m_guard.setSource(std::move(source));
}

qint64 RecordingSession::elapsedMs() const
{
    return m_ready ? m_clock.elapsed() : 0;
}

qint64 RecordingSession::recordedMs() const
{
    return m_recordedBefore + (m_recorder ? m_recorder->writtenMs() : 0);
}

QString RecordingSession::sizeText() const
{
    return DiskGuard::sizeText(m_sizeBytes);
}

QString RecordingSession::rateText() const
{
    if (m_rate >= 1000000)
        return QStringLiteral("%1 Mbps").arg(QString::number(m_rate / 1000000.0, 'f', 1));
    return QStringLiteral("%1 Kbps").arg(QString::number(m_rate / 1000.0, 'f', 0));
}

QString RecordingSession::droppedText() const
{
    if (m_dropped <= 0)
        return QString();
    return Language::pick(QStringLiteral("%1 pictures dropped: the disk was too slow"),
                          QStringLiteral("磁盘写入过慢，已丢弃 %1 帧"))
        .arg(m_dropped);
}

QString RecordingSession::partPath(int part) const
{
    if (part <= 1)
        return m_path;
    const QFileInfo info(m_path);
    return info.dir().filePath(
        QStringLiteral("%1_part%2.%3").arg(info.completeBaseName()).arg(part).arg(info.suffix()));
}

void RecordingSession::setStatus(const BilingualText &text)
{
    if (text == m_status)
        return;
    m_status = text;
    emit statusTextChanged();
}

void RecordingSession::setDisk(const BilingualText &text)
{
    if (text == m_disk)
        return;
    m_disk = text;
    emit diskTextChanged();
}

bool RecordingSession::begin(const QString &path, VideoDecoder *decoder)
{
    if (m_active)
        return false;
    qint64 free = 0;
    const DiskGuard::Level level = m_guard.check(QFileInfo(path).absolutePath(), &free);
    if (level == DiskGuard::Critical) {
        const QString left = DiskGuard::sizeText(free);
        emit failed(
            both(QStringLiteral("Cannot start recording: only %1 left on the disk").arg(left),
                 QStringLiteral("磁盘仅剩 %1，无法开始录像").arg(left)));
        return false;
    }
    m_path = path;
    emit pathChanged();
    m_part = 1;
    m_partsSaved = 0;
    m_bytesBefore = 0;
    m_recordedBefore = 0;
    m_droppedBefore = 0;
    m_sizeBytes = 0;
    m_rate = 0;
    m_rateBytes = 0;
    m_dropped = 0;
    m_stopReason = BilingualText();
    m_telemetryOn = AppSettingsBridge::storedRecordTelemetry();
    setStatus(BilingualText());
    m_active = true;
    emit activeChanged(true);
    emit partChanged();
    emit progressChanged();
    checkDisk();
    m_decoder = decoder;
    startPart(decoder);
    m_rateClock.start();
    m_progressTimer.start(m_timing.progressMs);
    m_diskTimer.start(m_timing.diskCheckMs);
    return true;
}

void RecordingSession::startPart(VideoDecoder *decoder)
{
    auto *recorder = new VideoRecorder(this);
    recorder->setOutputPath(partPath(m_partsSaved + 1));
    m_recorder = recorder;
    const quint64 serial = ++m_serial;
    // Queued signals of a part that has ended are told apart by serial.
    connect(recorder, &VideoRecorder::startedRecording, this,
            [this, serial] { onPartStarted(serial); });
    connect(recorder, &VideoRecorder::errorOccurred, this,
            [this, serial] { onPartFailed(serial); });
    recorder->start();
    if (decoder)
        decoder->attachRecorder(recorder);
}

void RecordingSession::onPartStarted(quint64 serial)
{
    if (serial != m_serial || !m_recorder)
        return;
    m_partClock.start();
    if (m_part != m_partsSaved + 1) {
        m_part = m_partsSaved + 1;
        emit partChanged();
    }
    if (!m_ready) {
        m_ready = true;
        m_clock.start();
        emit readyChanged();
    }
    if (m_interruptedAt.isValid()) {
        setStatus(both(QStringLiteral("Stream interrupted at %1; recording continues in file %2")
                           .arg(clock(m_interruptedAt))
                           .arg(m_part),
                       QStringLiteral("视频流于 %1 中断，录像继续写入第 %2 段")
                           .arg(clock(m_interruptedAt))
                           .arg(m_part)));
    }
    if (m_telemetryOn && m_telemetry.open(m_recorder->outputPath(), Language::isChinese())) {
        sample();
        m_sampleTimer.start(m_timing.sampleMs);
    }
}

void RecordingSession::onPartFailed(quint64 serial)
{
    if (serial != m_serial || !m_recorder)
        return;
    // The recorder ends right after saying so; its answer is read there.
    BilingualText error;
    if (endPart(error) == PartEnd::Failed || !error.isEmpty())
        finish(error);
}

RecordingSession::PartEnd RecordingSession::endPart(BilingualText &error)
{
    VideoRecorder *recorder = m_recorder;
    m_recorder = nullptr;
    ++m_serial;
    m_sampleTimer.stop();
    if (m_telemetry.isOpen()) {
        sample();
        m_telemetry.close();
    }
    if (m_decoder)
        m_decoder->detachRecorder();
    recorder->requestStop();
    const bool ended = recorder->wait(ulong(qMax(0, m_timing.stopWaitMs)));
    const qint64 bytes = recorder->bytesWritten();
    m_bytesBefore += bytes;
    m_recordedBefore += recorder->writtenMs();
    m_droppedBefore += recorder->droppedPackets();
    if (!ended) {
        // Left to finish on its own; what it says at its end still reaches
        // the operator, without the recorder rejoining anything.
        recorder->setParent(nullptr);
        connect(recorder, &QThread::finished, this, [this, recorder] {
            if (recorder->outcome() == VideoRecorder::Outcome::Failed)
                emit failed(recorder->error());
        });
        connect(recorder, &QThread::finished, recorder, &QObject::deleteLater);
        error = both(QStringLiteral("Stop recording timed out; recorder will exit in background"),
                     QStringLiteral("停止录像超时，录像线程将在后台退出"));
        // Most likely still finishing its file: the path stays the answer.
        if (bytes > 0)
            ++m_partsSaved;
        return PartEnd::InBackground;
    }
    const VideoRecorder::Outcome outcome = recorder->outcome();
    error = recorder->error();
    recorder->deleteLater();
    switch (outcome) {
    case VideoRecorder::Outcome::Finished:
        ++m_partsSaved;
        return PartEnd::Saved;
    case VideoRecorder::Outcome::Failed:
        // The file of a failed part may hold video up to the failure.
        if (bytes > 0)
            ++m_partsSaved;
        return PartEnd::Failed;
    default:
        return PartEnd::Nothing;
    }
}

void RecordingSession::streamOpened(VideoDecoder *decoder)
{
    m_decoder = decoder;
    if (m_active && !m_recorder)
        startPart(decoder);
}

void RecordingSession::streamLost()
{
    m_decoder = nullptr;
    if (!m_active || !m_recorder)
        return;
    BilingualText error;
    const PartEnd end = endPart(error);
    if (end == PartEnd::Failed) {
        finish(error);
        return;
    }
    if (end == PartEnd::InBackground)
        emit failed(error);
    // Reconnects that fail before a picture do not move the moment the
    // stream was lost.
    if (end == PartEnd::Nothing && m_interruptedAt.isValid())
        return;
    m_interruptedAt = QTime::currentTime();
    setStatus(
        both(QStringLiteral("Stream interrupted at %1; recording resumes when pictures return")
                 .arg(clock(m_interruptedAt)),
             QStringLiteral("视频流于 %1 中断，画面恢复后继续录像").arg(clock(m_interruptedAt))));
    updateProgress();
}

void RecordingSession::stop()
{
    if (!m_active)
        return;
    BilingualText error;
    if (m_recorder)
        endPart(error);
    finish(error);
}

void RecordingSession::finish(const BilingualText &error)
{
    if (!m_active)
        return;
    if (m_recorder) {
        BilingualText ignored;
        endPart(ignored);
    }
    updateProgress();
    m_progressTimer.stop();
    m_diskTimer.stop();
    m_interruptedAt = QTime();
    const bool saved = m_partsSaved > 0;
    if (!error.isEmpty()) {
        setStatus(BilingualText());
        emit failed(error);
    } else if (saved) {
        const QString parts = QString::number(m_partsSaved);
        BilingualText text =
            m_partsSaved > 1
                ? both(QStringLiteral("Recording saved: %1 (%2 parts)").arg(m_path, parts),
                       QStringLiteral("录像已保存: %1（共 %2 段）").arg(m_path, parts))
                : both(QStringLiteral("Recording saved: %1").arg(m_path),
                       QStringLiteral("录像已保存: %1").arg(m_path));
        if (!m_stopReason.isEmpty())
            text = both(m_stopReason.english + QStringLiteral(". ") + text.english,
                        m_stopReason.chinese + QStringLiteral("。") + text.chinese);
        setStatus(text);
    } else {
        setStatus(both(QStringLiteral("Nothing was recorded: no key frame came from the stream"),
                       QStringLiteral("未录到任何画面：视频流没有送来关键帧")));
    }
    setDisk(BilingualText());
    m_active = false;
    const bool wasReady = m_ready;
    m_ready = false;
    emit activeChanged(false);
    if (wasReady)
        emit readyChanged();
    emit ended(saved, m_path);
}

void RecordingSession::sample()
{
    if (!m_telemetry.isOpen())
        return;
    const TelemetrySample now = m_feed ? m_feed->sample(QString())
                                       : TelemetrySample::read(nullptr, nullptr, false, QString());
    m_telemetry.add(now, m_partClock.elapsed());
}

void RecordingSession::updateProgress()
{
    const qint64 bytes = m_bytesBefore + (m_recorder ? m_recorder->bytesWritten() : 0);
    const qint64 ms = m_rateClock.restart();
    if (ms > 0)
        m_rate = (bytes - m_rateBytes) * 8000 / ms;
    m_rateBytes = bytes;
    m_sizeBytes = bytes;
    m_dropped = m_droppedBefore + (m_recorder ? m_recorder->droppedPackets() : 0);
    emit progressChanged();
}

void RecordingSession::checkDisk()
{
    if (!m_active)
        return;
    qint64 free = 0;
    const DiskGuard::Level level = m_guard.check(QFileInfo(m_path).absolutePath(), &free);
    const QString left = DiskGuard::sizeText(free);
    if (level == DiskGuard::Critical) {
        // Stopped while the disk still has room for the file's end.
        m_stopReason = both(QStringLiteral("Recording stopped: only %1 left on the disk").arg(left),
                            QStringLiteral("磁盘仅剩 %1，录像已停止").arg(left));
        stop();
        return;
    }
    setDisk(level == DiskGuard::Low ? both(QStringLiteral("Low disk space: %1 left").arg(left),
                                           QStringLiteral("磁盘空间不足：剩余 %1").arg(left))
                                    : BilingualText());
}
