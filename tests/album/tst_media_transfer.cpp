// The windowed transfer alone, against a camera played by the test whose
// datagrams go straight into its receiver.

#include "MediaPackets.h"
#include "album/MediaTransfer.h"
#include "common/TestMain.h"
#include "integration/MediaHarness.h"

#include <QFile>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace album_test;

namespace
{

// `silenceMs`: how long a silence lasts before the window is asked for
// again. Rows that expect no such re-request make it far longer than a
// loaded machine keeps this process from running, so their request lists
// are exact; the others make it long after a refused window is asked for
// again (10 ms), so each row shows which of the two asked.
AlbumTimings testTimings(int silenceMs)
{
    AlbumTimings t;
    t.rerequestMs = silenceMs;
    t.minQuietMs = silenceMs;
    t.stallMs = 3 * silenceMs;
    t.refusedWindowRetryMs = 10;
    return t;
}

// "0+255 255+255 ... " for a file of `packets` packets asked for in order.
QString inOrder(int packets)
{
    QStringList windows;
    for (int start = 0; start < packets; start += 255)
        windows << QStringLiteral("%1+%2").arg(start).arg(qMin(255, packets - start));
    return windows.join(' ');
}

// The camera's side: each request is answered on the next turn and its
// window sent at once, less the packets lost the first time they go out.
struct Camera {
    Camera(MediaTransfer &t, const QByteArray &c) : transfer(t), content(c) {}

    MediaTransfer &transfer;
    QByteArray content;
    qint64 announced = -1;
    QSet<quint32> lost;
    bool mute = false;
    int refuse = -1; // the request answered with `code` and not sent
    quint16 code = 3;
    QStringList requests;
    QString typesSeen;

    void onRequest(int type, int packetSize, quint32 start, int count)
    {
        if (type == MediaTransfer::Abort) {
            requests << QStringLiteral("abort");
            return;
        }
        typesSeen = QStringLiteral("%1/%2").arg(type).arg(packetSize);
        const int index = requests.size();
        requests << QStringLiteral("%1+%2").arg(start).arg(count);
        QTimer::singleShot(0, &transfer, [this, index, packetSize, start, count] {
            serve(index, packetSize, start, count);
        });
    }

    void serve(int index, int packetSize, quint32 start, int count)
    {
        if (mute)
            return;
        if (index == refuse) {
            transfer.onAnswer(code);
            return;
        }
        transfer.onAnswer(0);
        MediaDownloadReceiver *r = transfer.receiver();
        r->handleDatagram(
            mediaFrame(startPacket(quint32(announced >= 0 ? announced : content.size()))));
        for (quint32 seq = start; seq < start + quint32(count); ++seq) {
            const qint64 offset = qint64(seq) * packetSize;
            if (offset >= content.size())
                break;
            if (!lost.remove(seq))
                r->handleDatagram(
                    mediaFrame(dataPacket(seq, content.mid(int(offset), packetSize))));
        }
    }
};

} // namespace

class MediaTransferTest : public QObject
{
    Q_OBJECT
private slots:
    void windows_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("packetSize"); // of files
        QTest::addColumn<qint64>("listed");  // -1: the size
        QTest::addColumn<qint64>("announced");
        QTest::addColumn<QString>("lost");
        QTest::addColumn<int>("refuse");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("requests"); // "*": not checked
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<bool>("silence"); // the row waits out a silence
        const qint64 no = -1;
        QTest::newRow("100000 bytes at 57344: one window of 2")
            << "file" << 100000 << 57344 << no << no << "" << -1 << 0 << "0+2"
            << "saved" << false;
        QTest::newRow("20 MB at 4096: windows of 255, each where the data stands")
            << "file" << 20000000 << 4096 << no << no << "" << -1 << 0 << inOrder(4883) << "saved"
            << false;
        QTest::newRow("a packet lost mid-window is asked for alone")
            << "file" << 24000 << 1000 << no << no << "10" << -1 << 0 << "0+24 10+1"
            << "saved" << false;
        QTest::newRow("lost at a window's end: asked at once, the next window after the held")
            << "file" << 300000 << 1000 << no << no << "250" << -1 << 0 << "0+255 250+1 255+45"
            << "saved" << false;
        QTest::newRow("the tail lost: asked for again after a silence")
            << "file" << 40000 << 1000 << no << no << "38 39" << -1 << 0 << "0+40 38+2"
            << "saved" << true;
        QTest::newRow("first window refused before anything came")
            << "file" << 100000 << 57344 << no << no << "" << 0 << 3 << "0+2"
            << "first refused" << false;
        QTest::newRow("a later window refused: asked for again shortly")
            << "file" << 300000 << 1000 << no << no << "" << 1 << 3 << "0+255 255+45 255+45"
            << "saved" << false;
        QTest::newRow("no size announced nor listed")
            << "file" << 5000 << 1000 << qint64(0) << qint64(0) << "" << -1 << 0 << "0+255 abort"
            << "refused" << false;
        QTest::newRow("an implausible size, not the listed one: confirmed first")
            << "file" << 5000 << 1000 << no << qint64(0xFFFFFF00) << "" << -1 << 0
            << "0+5 0+5 abort"
            << "refused" << true;
        QTest::newRow("nothing ever comes: stalls")
            << "file" << 5000 << 1000 << no << no << "*" << -1 << 0 << "*"
            << "stalled" << true;
        QTest::newRow("list: 255 packets of 64000; code 1 is no refusal")
            << "list" << 100 << 0 << no << no << "" << 0 << 1 << "0+255 0+255"
            << "completed" << true;
        QTest::newRow("thumbnail: 16 packets of 40960")
            << "thumbnail" << 50000 << 0 << no << no << "" << -1 << 0 << "0+16"
            << "completed" << false;
        QTest::newRow("thumbnail: code 1 is a refusal")
            << "thumbnail" << 50000 << 0 << no << no << "" << 0 << 1 << "0+16"
            << "first refused" << false;
    }
    void windows()
    {
        QFETCH(QString, kind);
        QFETCH(int, size);
        QFETCH(int, packetSize);
        QFETCH(qint64, listed);
        QFETCH(QString, lost);
        QTemporaryDir dir;
        QFETCH(bool, silence);
        MediaTransfer transfer(testTimings(silence ? 1000 : 60000));
        Camera cam(transfer, media_test::noise(size, quint32(size)));
        QFETCH(qint64, announced);
        cam.announced = announced;
        cam.mute = lost == "*";
        for (const QString &seq : lost.split(' ', Qt::SkipEmptyParts))
            cam.lost.insert(seq.toUInt());
        QFETCH(int, refuse);
        cam.refuse = refuse;
        QFETCH(int, code);
        cam.code = quint16(code);
        connect(&transfer, &MediaTransfer::requested, &transfer,
                [&](const QString &, int type, int ps, quint32 start, int count) {
                    cam.onRequest(type, ps, start, count);
                });

        QString outcome;
        QByteArray received;
        connect(&transfer, &MediaTransfer::fileWritten, &transfer, [&] {
            QFile f(transfer.takeWrittenFile());
            received = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
            outcome = "saved";
        });
        connect(&transfer, &MediaTransfer::completed, &transfer, [&](const QByteArray &data) {
            received = data;
            outcome = "completed";
        });
        connect(&transfer, &MediaTransfer::refused, &transfer, [&] { outcome = "refused"; });
        connect(&transfer, &MediaTransfer::firstWindowRefused, &transfer,
                [&] { outcome = "first refused"; });
        connect(&transfer, &MediaTransfer::stalled, &transfer, [&] { outcome = "stalled"; });

        if (kind == "list") {
            transfer.beginList();
        } else if (kind == "thumbnail") {
            transfer.beginThumbnail("/sdcard/a.jpg");
        } else {
            MediaTransfer::FileTarget target;
            target.fileType = MediaTransfer::VideoFile;
            target.packetSize = packetSize;
            target.folder = dir.path();
            target.name = "clip.mp4";
            target.maxBytes = 1 << 30;
            target.listedSize = listed < 0 ? size : listed;
            transfer.beginFile("/sdcard/clip.mp4", target);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!outcome.isEmpty(), 60000);
        QTEST(outcome, "outcome");
        QFETCH(QString, requests);
        if (requests != "*")
            QCOMPARE(cam.requests.join(' '), requests);
        if (outcome == "saved" || outcome == "completed")
            QVERIFY(received == cam.content);
        QCOMPARE(cam.typesSeen, kind == "list"        ? QString("1/64000")
                                : kind == "thumbnail" ? QString("2/40960")
                                                      : QString("5/%1").arg(packetSize));
    }
};

SKYRIG_REGISTER_TEST(MediaTransferTest)
#include "tst_media_transfer.moc"
