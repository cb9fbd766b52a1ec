#include "AlbumGround.h"
#include "FakeCamera.h"
#include "album/PlaybackVideoReceiver.h"
#include "common/TestMain.h"
#include "integration/MediaHarness.h"

#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace album_test;
using media_test::noise;

namespace
{

// A camera stand-in, an album wired to it, and a download folder of its own.
struct Rig {
    FakeCamera cam;
    QTemporaryDir root;
    QStringList statuses;
    MediaAlbumBridge album{&cam.controller, quickTimings()};

    Rig()
    {
        QObject::connect(&cam.controller, &GimbalController::ackReceived, &album,
                         &MediaAlbumBridge::onAck);
        QObject::connect(&album, &MediaAlbumBridge::statusMessageChanged, &album,
                         [this] { statuses.append(album.statusMessage()); });
        album.setDownloadDirectory(root.filePath("downloads"));
    }
    bool open(const QString &url = QStringLiteral("rtsp://127.0.0.1:8554/main"))
    {
        album.openAlbum(url);
        return QTest::qWaitFor([this] { return album.isOpen() && !album.loading(); }, 5000);
    }
    QStringList saved() const
    {
        return QDir(album.downloadDirectory()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    QByteArray read(const QString &name) const
    {
        QFile f(QDir(album.downloadDirectory()).filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    int count(quint16 code) const
    {
        return int(std::count_if(cam.requests.cbegin(), cam.requests.cend(),
                                 [code](const Request &r) { return r.code == code; }));
    }
};

QByteArray listOf(const QStringList &paths, qint64 size = 1000)
{
    QByteArray json = "JSON[";
    int t = 0;
    for (const QString &p : paths)
        json += QStringLiteral("{\"path\":\"%1\",\"filesize\":\"%2\",\"mtime\":%3},")
                    .arg(p)
                    .arg(size)
                    .arg(1700000000 + (t++ / 2))
                    .toUtf8();
    return json + "]";
}

} // namespace

class AlbumBridgeTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QSettings().setValue("startup/isChinese", false); }

    // List, order, a page per filter, thumbnails and the announced endpoint.
    void listPagesThumbnails()
    {
        Rig rig;
        QStringList paths;
        for (int i = 0; i < 25; ++i)
            paths << QStringLiteral("/DCIM/p%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
        for (int i = 0; i < 12; ++i)
            paths << QStringLiteral("/DCIM/v%1.MP4").arg(i, 2, 10, QLatin1Char('0'));
        rig.cam.listJson = listOf(paths);
        QVERIFY(rig.open());
        QCOMPARE(rig.album.mediaItems().size(), 37);
        // Newest first; equal times by name, descending.
        QCOMPARE(rig.album.mediaItems().at(0).toMap().value("name").toString(), QString("v11.MP4"));
        QCOMPARE(rig.album.mediaItems().at(1).toMap().value("name").toString(), QString("v10.MP4"));
        QCOMPARE(rig.album.statusMessage(), QString("37 files"));
        QCOMPARE(rig.album.totalPages(), 4);

        rig.album.setFilterIndex(1);
        QCOMPARE(rig.album.totalPages(), 3);
        rig.album.nextPage();
        rig.album.nextPage();
        rig.album.nextPage();
        QCOMPARE(rig.album.currentPage(), 3);
        QCOMPARE(rig.album.pagedItems().size(), 5);
        QVERIFY(!rig.album.canGoNext());
        rig.album.setFilterIndex(2);
        QCOMPARE(rig.album.currentPage(), 1);
        QCOMPARE(rig.album.totalPages(), 2);
        rig.album.setFilterIndex(1);
        QCOMPARE(rig.album.currentPage(), 3);

        const QString first = rig.album.pagedItems().at(0).toMap().value("path").toString();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.album.thumbnailForPath(first).isEmpty(), 5000);
        QCOMPARE(rig.album.thumbnailForPath(first),
                 "data:image/jpeg;base64," + (QByteArray("thumb:") + first.toUtf8()).toBase64());
        QCOMPARE(rig.cam.clientAddress, QHostAddress(QHostAddress::LocalHost));
        QCOMPARE(rig.cam.downloadPort, rig.album.downloadReceiver()->port());
    }

    void downloads_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("size");
        QTest::addColumn<double>("loss");
        QTest::addColumn<bool>("checkWindows");
        QTest::newRow("100000 bytes at 57344: one window of 2") << "Otter" << 100000 << 0.0 << true;
        QTest::newRow("20 MB at 4096: windows of 255") << "Plover" << 20000000 << 0.0 << true;
        QTest::newRow("10 % loss, reordering, duplicates") << "Otter" << 6000000 << 0.1 << false;
        QTest::newRow("10 % loss at 4096") << "Plover" << 3000000 << 0.1 << false;
    }
    void downloads()
    {
        QFETCH(QString, model);
        QFETCH(int, size);
        QFETCH(double, loss);
        Rig rig;
        rig.cam.controller.setModel(model);
        rig.cam.files["/DCIM/clip.mp4"] = noise(size, size);
        rig.cam.listJson = listOf({"/DCIM/clip.mp4"}, size);
        QVERIFY(rig.open());
        rig.cam.loss = loss;
        rig.cam.duplicate = loss / 2;
        rig.cam.reorder = loss / 2;
        QSignalSpy done(&rig.album, &MediaAlbumBridge::downloadCompleted);
        rig.album.downloadFile("/DCIM/clip.mp4");
        QVERIFY(done.wait(30000));
        QCOMPARE(rig.read("clip.mp4"), rig.cam.files["/DCIM/clip.mp4"]);
        QCOMPARE(rig.saved(), QStringList{"clip.mp4"});
        QVERIFY2(!rig.statuses.join('|').contains("stalled"), qPrintable(rig.statuses.join('|')));

        QFETCH(bool, checkWindows);
        const int packet = model == "Plover" ? 4096 : 57344;
        const QVector<DownloadRequest> windows = rig.cam.fileWindows();
        if (checkWindows) {
            const int packets = (size + packet - 1) / packet;
            QCOMPARE(windows.size(), (packets + 254) / 255);
            for (int i = 0; i < windows.size(); ++i) {
                QCOMPARE(windows[i].packetSize, packet);
                QCOMPARE(windows[i].start, quint32(i * 255));
                QCOMPARE(windows[i].count, qMin(255, packets - i * 255));
                QCOMPARE(windows[i].type, 5);
            }
        } else {
            // Re-requests start where the data stopped; a request for the
            // missing packets alone is never followed by one for the packets
            // held beyond them.
            QVERIFY(windows.size() > 1);
            const int packets = (size + packet - 1) / packet;
            for (int i = 0; i + 1 < windows.size(); ++i) {
                const DownloadRequest &w = windows[i];
                if (w.count < qMin(255, packets - int(w.start)))
                    QVERIFY2(windows[i + 1].start != w.start + quint32(w.count),
                             qPrintable(QString::number(w.start)));
            }
        }
        if (size == 100000) {
            // The same name again gets a number.
            rig.album.downloadFile("/DCIM/clip.mp4");
            QVERIFY(done.wait(10000));
            QCOMPARE(rig.saved(), (QStringList{"clip.mp4", "clip_1.mp4"}));
            QCOMPARE(rig.album.statusMessage(), QString("Saved 1 file(s) locally"));
        }
    }

    // Whatever the camera says, nothing lands outside the download folder.
    void hostileCamera_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qint64>("announced");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("status");
        QTest::newRow("climbing path") << "/DCIM/../../../escape.jpg" << qint64(-1) << "escape.jpg"
                                       << "Saved 1 file(s) locally";
        QTest::newRow("device name, other separators")
            << "C:\\DCIM\\..\\CON" << qint64(-1) << "_CON"
            << "Saved 1 file(s) locally";
        QTest::newRow("no size")
            << "/DCIM/a.jpg" << qint64(0) << ""
            << "Download failed: a.jpg (the device did not give the file size)";
        QTest::newRow("absurd size") << "/DCIM/a.jpg" << qint64(0xFFFFFF00) << ""
                                     << "Download failed: a.jpg (the device announced an "
                                        "implausible size (4294967040 bytes))";
    }
    void hostileCamera()
    {
        QFETCH(QString, path);
        QFETCH(qint64, announced);
        Rig rig;
        rig.album.setMaxFileBytes(1 << 30);
        rig.cam.files[path] = noise(5000, 1);
        rig.cam.listJson = QStringLiteral("[{\"path\":\"%1\",\"filesize\":5000,\"mtime\":1}]")
                               .arg(QString(path).replace("\\", "\\\\"))
                               .toUtf8();
        QVERIFY(rig.open());
        rig.cam.announcedSize = announced;
        QSignalSpy finished(&rig.album, &MediaAlbumBridge::batchDownloadFinished);
        QSignalSpy failed(&rig.album, &MediaAlbumBridge::downloadFailed);
        rig.album.downloadFile(path);
        QVERIFY(finished.wait(5000));
        QFETCH(QString, status);
        QVERIFY2(rig.statuses.contains(status), qPrintable(rig.statuses.join('|')));
        QFETCH(QString, saved);
        QCOMPARE(rig.saved(), saved.isEmpty() ? QStringList() : QStringList{saved});
        QCOMPARE(QDir(rig.root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"downloads"});
        // A size that cannot work is given up at once, not retried: a size
        // other than the list's is confirmed by one more request first.
        QCOMPARE(failed.size(), saved.isEmpty() ? 1 : 0);
        QCOMPARE(rig.cam.fileWindows().size(), saved.isEmpty() ? 2 : 1);
    }

    void cancelLeavesNothing()
    {
        Rig rig;
        rig.cam.files["/DCIM/big.mp4"] = noise(8000000, 3);
        rig.cam.listJson = listOf({"/DCIM/big.mp4"}, 8000000);
        QVERIFY(rig.open());
        rig.cam.datagramsPerTurn = 1;
        rig.cam.paceMs = 5;
        rig.album.downloadFile("/DCIM/big.mp4");
        QTRY_VERIFY(rig.album.downloadPercent() > 0);
        QCOMPARE(rig.saved().size(), 1); // the partial file
        rig.album.cancelDownload();
        QCOMPARE(rig.album.statusMessage(), QString("Batch download cancelled (0/1 done)"));
        QVERIFY(!rig.album.downloading());
        QVERIFY(rig.saved().isEmpty());
        QTRY_COMPARE(rig.cam.downloads.last().type, 7);
    }

    // A download that begins while a thumbnail is still on its way saves the
    // file, never the thumbnail's datagrams.
    void staleThumbnailNotTakenForFile()
    {
        Rig rig;
        rig.cam.link.lagMs = 20;
        rig.cam.files["/DCIM/a.jpg"] = noise(3000, 9);
        rig.cam.listJson = listOf({"/DCIM/a.jpg"}, 3000);
        QVERIFY(rig.open());
        QSignalSpy done(&rig.album, &MediaAlbumBridge::downloadCompleted);
        rig.album.downloadFile("/DCIM/a.jpg"); // the thumbnail request is under way
        QVERIFY(done.wait(5000));
        QCOMPARE(rig.read("a.jpg"), rig.cam.files["/DCIM/a.jpg"]);
    }

    // A thumbnail refused nine times in a row is given up once; the next one follows.
    void thumbnailNinthFailure()
    {
        Rig rig;
        rig.cam.listJson = listOf({"/a.jpg", "/b.jpg"});
        rig.cam.result[CommandCode::DownloadMediaFile] = 1;
        QVERIFY(rig.open());
        QTRY_VERIFY_WITH_TIMEOUT(rig.statuses.contains("Thumbnail request failed: b.jpg"), 5000);
        int forB = 0;
        for (const DownloadRequest &d : qAsConst(rig.cam.downloads))
            forB += d.type == 2 && d.path == "/b.jpg";
        QCOMPARE(forB, 9);
        QCOMPARE(rig.statuses.count("Thumbnail request failed: b.jpg"), 1);
        QTRY_COMPARE_WITH_TIMEOUT(rig.cam.downloads.last().path, QString("/a.jpg"), 3000);
    }

    // A delete answered after the album closed is not taken for a later one.
    void deleteBarrierAfterClose()
    {
        Rig rig;
        rig.cam.listJson = listOf({"/a.jpg", "/b.jpg", "/c.jpg"});
        rig.cam.swallowAcks[CommandCode::DeleteMediaFile] = 1;
        QVERIFY(rig.open());
        rig.album.deleteFile("/a.jpg");
        QTRY_COMPARE(rig.count(CommandCode::DeleteMediaFile), 1);
        rig.album.closeAlbum();
        QVERIFY(rig.album.deleting());
        rig.album.openAlbum("rtsp://127.0.0.1/main");
        rig.album.deleteFile("/b.jpg");               // refused while the old answer is awaited
        rig.cam.ack(CommandCode::DeleteMediaFile, 0); // the late answer
        QVERIFY(!rig.album.deleting());
        QVERIFY(QTest::qWaitFor([&] { return !rig.album.loading(); }, 5000));
        QCOMPARE(rig.count(CommandCode::DeleteMediaFile), 1);
        QCOMPARE(rig.album.mediaItems().size(), 3);

        rig.cam.swallowAcks[CommandCode::DeleteMediaFile] = 1;
        rig.album.deleteFile("/b.jpg");
        QTRY_COMPARE(rig.count(CommandCode::DeleteMediaFile), 2);
        rig.album.closeAlbum();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.album.deleting(), 2000); // the barrier expired
        QVERIFY(rig.open());
        rig.album.deleteFile("/c.jpg");
        QTRY_VERIFY2(rig.statuses.contains("Delete finished: 1 succeeded, 0 failed"),
                     qPrintable(rig.statuses.join('|')));
        QCOMPARE(rig.album.mediaItems().size(), 2);
    }

    void albumModeUnanswered_data()
    {
        QTest::addColumn<int>("lost");
        QTest::addColumn<int>("requests");
        QTest::addColumn<bool>("listed");
        QTest::newRow("first answer lost") << 1 << 2 << true;
        QTest::newRow("never answered") << 100 << 4 << false;
    }
    void albumModeUnanswered()
    {
        QFETCH(int, lost);
        Rig rig;
        rig.cam.listJson = listOf({"/a.jpg"});
        rig.cam.swallowAcks[CommandCode::PlaybackMode] = lost;
        QVERIFY(rig.open());
        QTEST(rig.count(CommandCode::PlaybackMode), "requests");
        QFETCH(bool, listed);
        QCOMPARE(rig.album.mediaItems().size(), listed ? 1 : 0);
        if (!listed)
            QCOMPARE(rig.album.statusMessage(),
                     QString("The device did not answer the album mode request; check the "
                             "connection"));
    }

    // Only the camera's address is heard on the media channel.
    void strangersDropped()
    {
        Rig rig;
        rig.cam.listJson = listOf({"/a.jpg"});
        QVERIFY(rig.open());
        QUdpSocket stranger;
        QVERIFY(stranger.bind(QHostAddress("127.0.0.2"), 0));
        stranger.writeDatagram(mediaFrame(startPacket(5)), QHostAddress::LocalHost,
                               rig.album.downloadReceiver()->port());
        QTRY_COMPARE(rig.album.downloadReceiver()->rejectedDatagrams(), quint64(1));
    }

    // Playback as the album drives it (the pictures are the simulator
    // test's): the port announced is the one bound, the device's reports set
    // the position (the end once finished), a seek asks for whole seconds,
    // and stopping tells the device.
    void playbackControl()
    {
        Rig rig;
        rig.cam.listJson = listOf({"/DCIM/clip.mp4"});
        QVERIFY(rig.open());
        rig.album.playVideo("/DCIM/clip.mp4");
        QTRY_COMPARE(rig.cam.playbackPort, rig.album.playbackReceiver()->port());
        rig.cam.status(CommandCode::PlaybackStatusReport,
                       QByteArray::fromHex("0002102700000300000000"));
        QCOMPARE(rig.album.playbackTotalMs(), 10000);
        QCOMPARE(rig.album.playbackPositionMs(), 3000);
        QVERIFY(!rig.album.playbackPaused());
        rig.cam.status(CommandCode::PlaybackStatusReport,
                       QByteArray::fromHex("0007102700000300000000"));
        QCOMPARE(rig.album.playbackPositionMs(), 10000);
        rig.album.seekVideo(61500);
        QCOMPARE(rig.album.playbackPositionMs(), 61000);
        QTRY_COMPARE(rig.count(CommandCode::SeekVideoPlayback), 1);
        for (const Request &r : qAsConst(rig.cam.requests))
            if (r.code == CommandCode::SeekVideoPlayback)
                QCOMPARE(r.payload,
                         QByteArray::fromHex("0e3d000000") + QByteArray("/DCIM/clip.mp4"));
        rig.album.stopVideo();
        QTRY_COMPARE(rig.count(CommandCode::StopVideoPlayback), 1);
        QVERIFY(rig.album.playingPath().isEmpty());
    }
};

SKYRIG_REGISTER_TEST(AlbumBridgeTest)
#include "tst_album_bridge.moc"
