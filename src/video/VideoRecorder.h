#pragma once

#include "video/RecordedPacket.h"

#include <QMutex>
#include <QQueue>
#include <QString>
#include <QThread>
#include <QWaitCondition>

#include <atomic>

struct AVCodecParameters;

// Writes the live stream to a file without re-encoding: the decoder copies
// each compressed packet into a bounded queue, this thread muxes them into the
// container the file name asks for. Writing starts at the first keyframe,
// time stamps are rebased to start at zero, and a stop writes the trailer.
//
// setOutputPath and requestStop come from the interface thread;
// setStreamParameters and enqueuePacket from the decoder thread while it holds
// its own lock (lock order decoder, then recorder; never the reverse).
class VideoRecorder : public QThread
{
    Q_OBJECT
public:
    static constexpr int MaxQueuedPackets = 180;

    explicit VideoRecorder(QObject *parent = nullptr);
    ~VideoRecorder() override;

    void setOutputPath(const QString &path);
    void setStreamParameters(const AVCodecParameters *parameters, int numerator, int denominator);
    void enqueuePacket(const RecordedPacket &packet);
    // Ends the recording. Never lost, also when it comes before the thread
    // body has started: the flag is only ever raised.
    void requestStop();
    int queuedPackets() const;

signals:
    void startedRecording();
    void finishedRecording(const QString &path);
    void errorOccurred(const QString &error);

protected:
    void run() override;

private:
    void fail(const QString &english, const QString &chinese, const QString &detail = QString());

    mutable QMutex m_lock;
    QWaitCondition m_wake;
    QString m_path;
    AVCodecParameters *m_parameters = nullptr;
    int m_numerator = 1;
    int m_denominator = 90000;
    bool m_parametersKnown = false;
    std::atomic<bool> m_stop{false};
    QQueue<RecordedPacket> m_queue;
};
