// The recorder fed with the packets of real H.264 files, its output opened
// again with the libraries.

#include "RecordingFiles.h"
#include "VideoTestSupport.h"
#include "common/TestMain.h"
#include "video/VideoRecorder.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <numeric>

extern "C" {
#include <libavformat/avformat.h>
}

using namespace recording_test;
using namespace video_test;

namespace
{

struct Packets {
    QList<RecordedPacket> list;
    AVCodecParameters *parameters = nullptr;
    AVRational timeBase{1, 90000};
};

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

quint32 be32(const QByteArray &d, qint64 at)
{
    return quint32(quint8(d[int(at)])) << 24 | quint32(quint8(d[int(at + 1)])) << 16 |
           quint32(quint8(d[int(at + 2)])) << 8 | quint32(quint8(d[int(at + 3)]));
}

// The top-level boxes of an MP4 file, and the number of samples each
// fragment (moof) holds.
void mp4Layout(const QByteArray &d, QStringList &boxes, QList<int> &fragmentSamples)
{
    for (qint64 at = 0; at + 8 <= d.size();) {
        const qint64 size = be32(d, at);
        const QByteArray type = d.mid(int(at + 4), 4);
        boxes << QString::fromLatin1(type);
        if (type == "moof") {
            int samples = 0;
            // moof > traf > trun: sample count after the version and flags.
            for (qint64 in = at + 8; in + 8 <= at + size;) {
                const qint64 inner = be32(d, in);
                if (d.mid(int(in + 4), 4) == "traf")
                    for (qint64 t = in + 8; t + 8 <= in + inner; t += be32(d, t))
                        if (d.mid(int(t + 4), 4) == "trun")
                            samples += int(be32(d, t + 12));
                in += qMax<qint64>(inner, 8);
            }
            fragmentSamples << samples;
        }
        if (size < 8)
            break;
        at += size;
    }
}

} // namespace

class VideoRecorderTest : public QObject
{
    Q_OBJECT

    QHash<QString, Packets> m_clips;

    const Packets &clip(const QString &name)
    {
        if (!m_clips.contains(name)) {
            Packets p;
            p.parameters = avcodec_parameters_alloc();
            const QString path = fixture(name);
            if (!path.isEmpty())
                readPackets(path, p.list, p.parameters, p.timeBase);
            m_clips.insert(name, p);
        }
        return m_clips[name];
    }

private slots:
    void initTestCase()
    {
        skyrig_test::setChinese(false);
        QString error;
        if (fixture(QStringLiteral("clip.mp4"), &error).isEmpty())
            QSKIP(qPrintable(error));
        QVERIFY(clip(QStringLiteral("clip.mp4")).list.first().isKeyframe());
        QVERIFY(!clip(QStringLiteral("clip.mp4")).list.at(3).isKeyframe());
    }

    void cleanupTestCase()
    {
        for (Packets &p : m_clips)
            avcodec_parameters_free(&p.parameters);
    }

    // Joined mid-group, a recording starts at the next keyframe, rebased to
    // 0, in fragments of at most a second (a long group is cut by time). A
    // write that fails, the trailer's included, is never reported as saved.
    void writesFragmentsFromFirstKeyframe_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<int>("from"); // first packet given
        QTest::addColumn<int>("to");   // up to this one (0: all)
        QTest::addColumn<bool>("parameters");
        QTest::addColumn<bool>("stopFirst");
        QTest::addColumn<int>("limit");           // bytes a file may reach (0: none)
        QTest::addColumn<int>("longestFragment"); // samples (30 a second); 0: no file; -1: failed
        QTest::newRow("keyframe every 10") << "clip.mp4" << 3 << 0 << true << false << 0 << 10;
        QTest::newRow("one group of 90") << "longgop.mp4" << 0 << 0 << true << false << 0 << 30;
        QTest::newRow("no keyframe") << "clip.mp4" << 1 << 9 << true << false << 0 << 0;
        QTest::newRow("no stream yet") << "clip.mp4" << 1 << 9 << false << false << 0 << 0;
        QTest::newRow("stopped before start") << "clip.mp4" << 1 << 9 << false << true << 0 << 0;
        QTest::newRow("disk full while writing")
            << "clip.mp4" << 0 << 30 << true << false << 12000 << -1;
        QTest::newRow("disk full in the trailer")
            << "clip.mp4" << 0 << 5 << true << false << 2000 << -1;
    }

    void writesFragmentsFromFirstKeyframe()
    {
        QFETCH(QString, clip);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, parameters);
        QFETCH(bool, stopFirst);
        QFETCH(int, limit);
        QFETCH(int, longestFragment);
        const Packets &in = this->clip(clip);
        QVERIFY(!in.list.isEmpty());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.mp4"));
        VideoRecorder recorder;
        recorder.setOutputPath(path);
        QSignalSpy started(&recorder, &VideoRecorder::startedRecording);
        QSignalSpy finished(&recorder, &VideoRecorder::finishedRecording);
        QSignalSpy errors(&recorder, &VideoRecorder::errorOccurred);
        if (stopFirst)
            recorder.requestStop();
        limitFileSize(rlim_t(limit));
        recorder.start();
        // Packets before the parameters wait in the queue.
        for (int i = from; i < (to > 0 ? to : in.list.size()); ++i)
            recorder.enqueuePacket(in.list.at(i));
        if (parameters)
            recorder.setStreamParameters(in.parameters, in.timeBase.num, in.timeBase.den);
        // The recorder's thread may announce the start before a wait would
        // begin: wait on the count, not on a signal still to come.
        const bool wrote =
            longestFragment == 0 || QTest::qWaitFor([&] { return started.count() > 0; }, 20000);
        recorder.requestStop();
        const bool ended = recorder.wait(20000);
        limitFileSize(0);
        QVERIFY(wrote && ended);
        QCoreApplication::processEvents();
        if (longestFragment == 0) {
            QCOMPARE(started.count() + errors.count() + finished.count(), 0);
            QCOMPARE(recorder.outcome(), VideoRecorder::Outcome::Nothing);
            QVERIFY(!QFile::exists(path));
            return;
        }
        if (longestFragment < 0) {
            QCOMPARE(finished.count(), 0);
            QCOMPARE(errors.count(), 1);
            QCOMPARE(errors.first().first().toString(),
                     QStringLiteral("Failed to write recorded video"));
            QCOMPARE(recorder.outcome(), VideoRecorder::Outcome::Failed);
            QCOMPARE(recorder.error().chinese, QStringLiteral("写入录像数据失败"));
            return;
        }
        QCOMPARE(errors.count(), 0);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().first().toString(), path);
        QCOMPARE(recorder.outcome(), VideoRecorder::Outcome::Finished);

        int start = from;
        while (!in.list.at(start).isKeyframe())
            ++start;
        QList<RecordedPacket> written;
        AVRational base{1, 1};
        QVERIFY2(readPackets(path, written, nullptr, base), "the file does not open");
        QCOMPARE(written.size(), in.list.size() - start);
        QVERIFY(written.first().isKeyframe());
        QCOMPARE(written.first().pts, 0);
        QCOMPARE(written.first().dts, 0);
        const qint64 step =
            av_rescale_q(in.list.at(start + 1).dts - in.list.at(start).dts, in.timeBase, base);
        for (int i = 1; i < written.size(); ++i)
            QCOMPARE(written.at(i).dts - written.at(i - 1).dts, step);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList boxes;
        QList<int> fragments;
        mp4Layout(file.readAll(), boxes, fragments);
        QCOMPARE(boxes.mid(0, 2), (QStringList{"ftyp", "moov"}));
        QCOMPARE(boxes.last(), QStringLiteral("mfra"));
        QCOMPARE(std::accumulate(fragments.begin(), fragments.end(), 0), written.size());
        QCOMPARE(*std::max_element(fragments.begin(), fragments.end()), longestFragment);
        QVERIFY(recorder.bytesWritten() > 0 && recorder.bytesWritten() < file.size());
    }

    // 180 packets fit; the 181st is dropped and counted, and so is every
    // packet after it up to the next keyframe, which is queued again once
    // there is room.
    void overflowDropsToNextKeyframe()
    {
        const QList<RecordedPacket> &packets = clip(QStringLiteral("clip.mp4")).list;
        RecordedPacket key = packets.at(0);
        RecordedPacket other = packets.at(1);
        QVERIFY(key.isKeyframe() && !other.isKeyframe());
        VideoRecorder recorder; // never started: nothing drains the queue
        for (int i = 0; i < 181; ++i)
            recorder.enqueuePacket(i % 10 ? other : key);
        QCOMPARE(recorder.queuedPackets(), VideoRecorder::MaxQueuedPackets);
        QCOMPARE(recorder.droppedPackets(), 1);
        recorder.enqueuePacket(RecordedPacket{}); // empty payloads are never queued
        QCOMPARE(recorder.droppedPackets(), 1);
        recorder.enqueuePacket(other);
        recorder.enqueuePacket(key); // still no room
        QCOMPARE(recorder.droppedPackets(), 3);
    }
};
SKYRIG_REGISTER_TEST(VideoRecorderTest)

#include "tst_recorder.moc"
