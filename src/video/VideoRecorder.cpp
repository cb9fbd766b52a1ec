#include "video/VideoRecorder.h"

#include "video/RecordingMuxer.h"

#include <QFile>
#include <QMutexLocker>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/mathematics.h>
}

VideoRecorder::VideoRecorder(QObject *parent) : QThread(parent) {}

VideoRecorder::~VideoRecorder()
{
    requestStop();
    wait();
    avcodec_parameters_free(&m_parameters);
}

void VideoRecorder::setOutputPath(const QString &path)
{
    QMutexLocker lock(&m_lock);
    m_path = path;
}

void VideoRecorder::setStreamParameters(const AVCodecParameters *parameters, int numerator,
                                        int denominator)
{
    if (!parameters)
        return;
    QMutexLocker lock(&m_lock);
    if (!m_parameters)
        m_parameters = avcodec_parameters_alloc();
    if (!m_parameters)
        return;
    if (avcodec_parameters_copy(m_parameters, parameters) < 0)
        return;
    m_numerator = numerator < 1 ? 1 : numerator;
    m_denominator = denominator < 1 ? 90000 : denominator;
    m_parametersKnown = true;
    m_wake.wakeAll();
}

void VideoRecorder::enqueuePacket(const RecordedPacket &packet)
{
    if (m_stop.load() || packet.data.isEmpty())
        return;
    QMutexLocker lock(&m_lock);
    if (m_dropUntilKeyframe && !packet.isKeyframe()) {
        ++m_dropped;
        return;
    }
    // A slow disk never holds up the decoder: overflow is dropped.
    if (m_queue.size() >= MaxQueuedPackets) {
        m_dropUntilKeyframe = true;
        ++m_dropped;
        return;
    }
    m_dropUntilKeyframe = false;
    m_queue.enqueue(packet);
    m_wake.wakeAll();
}

void VideoRecorder::requestStop()
{
    m_stop.store(true);
    QMutexLocker lock(&m_lock);
    m_wake.wakeAll();
}

int VideoRecorder::queuedPackets() const
{
    QMutexLocker lock(&m_lock);
    return m_queue.size();
}

VideoRecorder::Outcome VideoRecorder::outcome() const
{
    QMutexLocker lock(&m_lock);
    return m_outcome;
}

BilingualText VideoRecorder::error() const
{
    QMutexLocker lock(&m_lock);
    return m_error;
}

QString VideoRecorder::outputPath() const
{
    QMutexLocker lock(&m_lock);
    return m_path;
}

void VideoRecorder::end(Outcome outcome, const BilingualText &error)
{
    QString path;
    {
        QMutexLocker lock(&m_lock);
        m_outcome = outcome;
        m_error = error;
        path = m_path;
    }
    // Known before the signal goes out, so whoever waited for the thread
    // reads the same answer the signal carries.
    if (outcome == Outcome::Failed)
        emit errorOccurred(error.text());
    else if (outcome == Outcome::Finished)
        emit finishedRecording(path);
}

void VideoRecorder::run()
{
    // The stop flag is not cleared here: a stop requested before the body
    // ran must end it, not be forgotten.
    QString path;
    AVCodecParameters *parameters = nullptr;
    int numerator = 1;
    int denominator = 90000;
    {
        QMutexLocker lock(&m_lock);
        while (!m_parametersKnown) {
            if (m_stop.load()) {
                lock.unlock();
                end(Outcome::Nothing);
                return;
            }
            m_wake.wait(&m_lock);
        }
        if (m_path.isEmpty() || !m_parameters) {
            lock.unlock();
            end(Outcome::Failed, BilingualText{QStringLiteral("No recordable video stream"),
                                               QStringLiteral("没有可录制的视频流")});
            return;
        }
        path = m_path;
        parameters = avcodec_parameters_alloc();
        if (!parameters || avcodec_parameters_copy(parameters, m_parameters) < 0) {
            avcodec_parameters_free(&parameters);
            lock.unlock();
            end(Outcome::Failed, BilingualText{QStringLiteral("Failed to allocate recorder memory"),
                                               QStringLiteral("录像器内存分配失败")});
            return;
        }
        numerator = m_numerator;
        denominator = m_denominator;
    }

    RecordingMuxer muxer;
    bool started = false;
    bool writeError = false;
    qint64 firstStamp = AV_NOPTS_VALUE;
    for (;;) {
        RecordedPacket next;
        {
            QMutexLocker lock(&m_lock);
            while (m_queue.isEmpty()) {
                if (m_stop.load())
                    break;
                m_wake.wait(&m_lock);
            }
            if (m_queue.isEmpty())
                break;
            next = m_queue.dequeue();
        }
        // Packets before the first keyframe are never written, and the file
        // is made only when there is something to put in it.
        if (!started && !next.isKeyframe())
            continue;
        if (!muxer.isOpen()) {
            BilingualText error;
            const bool opened = muxer.open(path, parameters, numerator, denominator, error);
            avcodec_parameters_free(&parameters);
            if (!opened) {
                // Whatever the failed open left behind holds no video.
                QFile::remove(path);
                end(Outcome::Failed, error);
                return;
            }
        }
        if (!muxer.write(next)) {
            writeError = true;
            break;
        }
        m_bytesWritten += next.data.size();
        const qint64 stamp = next.dts != AV_NOPTS_VALUE ? next.dts : next.pts;
        if (stamp != AV_NOPTS_VALUE) {
            if (firstStamp == AV_NOPTS_VALUE)
                firstStamp = stamp;
            m_writtenMs = av_rescale_q(stamp - firstStamp + next.duration,
                                       AVRational{numerator, denominator}, AVRational{1, 1000});
        }
        if (!started) {
            started = true;
            emit startedRecording();
        }
    }
    avcodec_parameters_free(&parameters);

    if (!started && !writeError) {
        end(Outcome::Nothing);
        return;
    }
    // The trailer and the close count as writing: a file that did not reach
    // the disk whole is a failed recording, never a saved one.
    if (!muxer.finish() || writeError) {
        if (!started)
            QFile::remove(path); // a header without a single picture
        end(Outcome::Failed, BilingualText{QStringLiteral("Failed to write recorded video"),
                                           QStringLiteral("写入录像数据失败")});
        return;
    }
    end(Outcome::Finished);
}
