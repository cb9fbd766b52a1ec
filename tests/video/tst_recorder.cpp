// The recorder fed with the packets of a real H.264 file, its output opened
// again with the libraries: first packet a keyframe at time 0, spacing kept,
// trailer written; and the ways a recording ends without a file.

#include "VideoTestSupport.h"
#include "common/TestMain.h"
#include "video/VideoRecorder.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

extern "C" {
#include <libavformat/avformat.h>
}

using namespace video_test;

namespace
{

// Every video packet of `path` as the decoder would copy it.
bool readPackets(const QString &path, QList<RecordedPacket> &packets, AVCodecParameters *parameters,
                 AVRational &timeBase)
{
    AVFormatContext *input = nullptr;
    if (avformat_open_input(&input, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return false;
    avformat_find_stream_info(input, nullptr);
    AVStream *stream = input->streams[0];
    if (parameters)
        avcodec_parameters_copy(parameters, stream->codecpar);
    timeBase = stream->time_base;
    AVPacket *packet = av_packet_alloc();
    while (av_read_frame(input, packet) >= 0) {
        packets.append(RecordedPacket::copyOf(*packet));
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&input);
    return !packets.isEmpty();
}

} // namespace

class VideoRecorderTest : public QObject
{
    Q_OBJECT

    QList<RecordedPacket> m_packets;
    AVCodecParameters *m_parameters = nullptr;
    AVRational m_timeBase{1, 90000};

private slots:
    void initTestCase()
    {
        skyrig_test::setChinese(false);
        QString error;
        const QString clip = fixture(QStringLiteral("clip.mp4"), &error);
        if (clip.isEmpty())
            QSKIP(qPrintable(error));
        m_parameters = avcodec_parameters_alloc();
        QVERIFY(readPackets(clip, m_packets, m_parameters, m_timeBase));
        QVERIFY(m_packets.first().isKeyframe());
        QVERIFY(!m_packets.at(3).isKeyframe());
    }

    void cleanupTestCase() { avcodec_parameters_free(&m_parameters); }

    // Joined three packets into the clip (a mid-group start): the recording starts at the next
    // keyframe (packet 10), rebased to 0, with the clip's spacing.
    void writesFromFirstKeyframe()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.mp4"));
        VideoRecorder recorder;
        recorder.setOutputPath(path);
        QSignalSpy started(&recorder, &VideoRecorder::startedRecording);
        QSignalSpy finished(&recorder, &VideoRecorder::finishedRecording);
        QSignalSpy errors(&recorder, &VideoRecorder::errorOccurred);
        recorder.start();
        // Packets before the parameters wait in the queue.
        for (int i = 3; i < m_packets.size(); ++i)
            recorder.enqueuePacket(m_packets.at(i));
        recorder.setStreamParameters(m_parameters, m_timeBase.num, m_timeBase.den);
        QVERIFY(started.wait(5000));
        recorder.requestStop();
        QVERIFY(finished.wait(5000) || finished.count() == 1);
        QCOMPARE(errors.count(), 0);
        QCOMPARE(finished.first().first().toString(), path);

        QList<RecordedPacket> written;
        AVRational base{1, 1};
        QVERIFY2(readPackets(path, written, nullptr, base), "the file does not open (no trailer?)");
        QCOMPARE(written.size(), m_packets.size() - 10);
        QVERIFY(written.first().isKeyframe());
        QCOMPARE(written.first().pts, 0);
        QCOMPARE(written.first().dts, 0);
        const qint64 step =
            av_rescale_q(m_packets.at(11).dts - m_packets.at(10).dts, m_timeBase, base);
        for (int i = 1; i < written.size(); ++i)
            QCOMPARE(written.at(i).dts - written.at(i - 1).dts, step);
    }

    // Ends without finishedRecording: stopped before any keyframe, stopped
    // before the stream was known (also when the stop came first).
    void endsWithoutRecording_data()
    {
        QTest::addColumn<bool>("parameters");
        QTest::addColumn<bool>("stopFirst");
        QTest::newRow("no keyframe") << true << false;
        QTest::newRow("no stream yet") << false << false;
        QTest::newRow("stopped before start") << false << true;
    }

    void endsWithoutRecording()
    {
        QFETCH(bool, parameters);
        QFETCH(bool, stopFirst);
        QTemporaryDir dir;
        VideoRecorder recorder;
        recorder.setOutputPath(dir.filePath(QStringLiteral("none.mp4")));
        QSignalSpy started(&recorder, &VideoRecorder::startedRecording);
        QSignalSpy finished(&recorder, &VideoRecorder::finishedRecording);
        QSignalSpy errors(&recorder, &VideoRecorder::errorOccurred);
        QSignalSpy ended(&recorder, &QThread::finished);
        if (stopFirst)
            recorder.requestStop();
        recorder.start();
        if (parameters)
            recorder.setStreamParameters(m_parameters, m_timeBase.num, m_timeBase.den);
        for (int i = 1; i < 9; ++i)
            recorder.enqueuePacket(m_packets.at(i));
        recorder.requestStop();
        QVERIFY(ended.wait(5000) || recorder.isFinished());
        QCoreApplication::processEvents();
        QCOMPARE(started.count() + finished.count() + errors.count(), 0);
    }

    void queueHoldsAtMost180()
    {
        VideoRecorder recorder; // never started: nothing drains the queue
        for (int i = 0; i < 181; ++i)
            recorder.enqueuePacket(m_packets.at(i % m_packets.size()));
        QCOMPARE(recorder.queuedPackets(), VideoRecorder::MaxQueuedPackets);
        recorder.enqueuePacket(RecordedPacket{}); // empty payloads are never queued
        QCOMPARE(recorder.queuedPackets(), VideoRecorder::MaxQueuedPackets);
    }
};
SKYRIG_REGISTER_TEST(VideoRecorderTest)

#include "tst_recorder.moc"
