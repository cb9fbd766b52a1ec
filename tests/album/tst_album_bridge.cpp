// The album against the simulator's camera run inside the test: list,
// pages, thumbnails, downloads, deletes, album mode and playback control.
#ifdef SKYRIG_HAS_CAMSIM_CORE

#include "AlbumGround.h"
#include "InProcessCamera.h"
#include "MediaPackets.h"
#include "album/PlaybackVideoReceiver.h"
#include "common/TestMain.h"
#include "integration/MediaHarness.h"
#include "link/Language.h"
#include "state/GimbalState.h"

#include <QDateTime>
#include <QDir>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUdpSocket>

extern "C" {
#include <libavutil/log.h>
}

using namespace album_test;
using media_test::noise;

namespace
{

constexpr qint64 Time = 1700000000;
// What the camera, the loopback and the disk do may take long on a loaded
// machine: waits for it end on the event, within this ceiling.
constexpr int Ceiling = 30000;

struct CardFile {
    QString path; // on the device, below /sdcard
    QByteArray bytes;
    qint64 mtime = Time;
};

// The simulator's camera serving `files`, an album wired to it, and a
// download folder of its own.
struct Rig {
    QTemporaryDir root;
    InProcessCamera cam;
    TransportManager manager;
    GimbalController controller;
    QStringList statuses;
    MediaAlbumBridge album;

    explicit Rig(const QVector<CardFile> &files, const QString &model = QStringLiteral("Otter"),
                 const FaultInjector::Settings &faults = {}, double rateMbps = 0,
                 const AlbumTimings &timings = quickTimings())
        : cam(model, faults, rateMbps), album(&controller, timings)
    {
        const QString card = root.filePath("card");
        QDir().mkpath(card);
        for (const CardFile &f : files) {
            QFile file(card + f.path.mid(int(qstrlen("/sdcard"))));
            QDir().mkpath(QFileInfo(file).absolutePath());
            if (file.open(QIODevice::WriteOnly))
                file.write(f.bytes);
            file.setFileTime(QDateTime::fromSecsSinceEpoch(f.mtime),
                             QFileDevice::FileModificationTime);
        }
        cam.serve(card);
        cam.open();
        manager.setTransport(&cam);
        controller.setTransportManager(&manager);
        controller.setModel(model);
        QObject::connect(&controller, &GimbalController::ackReceived, &album,
                         &MediaAlbumBridge::onAck);
        QObject::connect(&album, &MediaAlbumBridge::statusMessageChanged, &album,
                         [this] { statuses.append(album.statusMessage()); });
        album.setDownloadDirectory(root.filePath("downloads"));
    }
    bool open(const QString &url = QStringLiteral("rtsp://127.0.0.1:8554/main"))
    {
        album.openAlbum(url);
        return QTest::qWaitFor([this] { return album.isOpen() && !album.loading(); }, Ceiling);
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
};

QVector<CardFile> photos(const QStringList &names, int size = 1000)
{
    QVector<CardFile> files;
    for (const QString &name : names)
        files.append({"/sdcard/" + name, noise(size, quint32(files.size())), Time});
    return files;
}

} // namespace

class AlbumBridgeTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QSettings().setValue("startup/isChinese", false);
        // The card's clips are noise: the camera's probe of them complains.
        av_log_set_level(AV_LOG_QUIET);
    }

    // 10 videos make exactly one page; only the camera's address is heard
    // on the media channel.
    void listPagesThumbnails()
    {
        QVector<CardFile> files;
        for (int i = 0; i < 35; ++i)
            files.append(
                {i < 25 ? QStringLiteral("/sdcard/DCIM/p%1.jpg").arg(i, 2, 10, QChar('0'))
                        : QStringLiteral("/sdcard/DCIM/v%1.MP4").arg(i - 25, 2, 10, QChar('0')),
                 noise(100, quint32(i)), Time + (i + 1) / 2});
        Rig rig(files);
        QVERIFY(rig.open());
        QCOMPARE(rig.album.mediaItems().size(), 35);
        // Newest first; equal times by name, descending.
        QCOMPARE(rig.album.mediaItems().at(0).toMap().value("name").toString(), QString("v09.MP4"));
        QCOMPARE(rig.album.mediaItems().at(1).toMap().value("name").toString(), QString("v08.MP4"));
        QCOMPARE(rig.album.statusMessage(), QString("35 files"));
        QSignalSpy statusShown(&rig.album, &MediaAlbumBridge::statusMessageChanged);
        Language::store(true);
        QCOMPARE(rig.album.statusMessage(), QString("共 35 个文件"));
        Language::store(false);
        QCOMPARE(statusShown.size(), 2);
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
        QCOMPARE(rig.album.totalPages(), 1);
        rig.album.setFilterIndex(1);
        QCOMPARE(rig.album.currentPage(), 3);
        rig.album.selectAllFiltered();
        rig.album.toggleSelection("/sdcard/DCIM/p00.jpg");
        QCOMPARE(rig.album.selectedCount(), 24);
        QVERIFY(!rig.album.isSelected("/sdcard/DCIM/p00.jpg"));
        QVERIFY(rig.album.isSelected("/sdcard/DCIM/p01.jpg"));
        rig.album.setFilterIndex(0);
        QCOMPARE(rig.album.selectedCount(), 0);

        const QString first = rig.album.pagedItems().at(0).toMap().value("path").toString();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.album.thumbnailForPath(first).isEmpty(), Ceiling);
        QCOMPARE(rig.album.thumbnailForPath(first),
                 "data:image/jpeg;base64," + rig.cam.card.thumbnail(first).toBase64());
        QCOMPARE(rig.cam.camera.clientAddress(1), QHostAddress(QHostAddress::LocalHost));
        QCOMPARE(rig.cam.camera.clientPort(1), rig.album.downloadReceiver()->port());

        QUdpSocket stranger;
        QVERIFY(stranger.bind(QHostAddress("127.0.0.2"), 0));
        stranger.writeDatagram(mediaFrame(startPacket(5)), QHostAddress::LocalHost,
                               rig.album.downloadReceiver()->port());
        QTRY_COMPARE_WITH_TIMEOUT(rig.album.downloadReceiver()->rejectedDatagrams(), quint64(1),
                                  Ceiling);
    }

    // The batch begins while a thumbnail is still on its way: its datagrams
    // are never taken for a file.
    void downloads_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("packet");
        QTest::newRow("Otter: 57344-byte packets") << "Otter" << 57344;
        QTest::newRow("Plover: 4096-byte packets") << "Plover" << 4096;
    }
    void downloads()
    {
        QFETCH(QString, model);
        QFETCH(int, packet);
        const QByteArray photo = noise(100000, 1);
        const QByteArray clip = noise(100000, 2);
        Rig rig({{"/sdcard/DCIM/a.jpg", photo}, {"/sdcard/DCIM/clip.mp4", clip}}, model);
        rig.cam.lagMs = 20;
        QVERIFY(rig.open());
        rig.album.selectAllFiltered();
        QSignalSpy finished(&rig.album, &MediaAlbumBridge::batchDownloadFinished);
        rig.album.downloadSelected();
        QVERIFY(finished.wait(Ceiling));
        QCOMPARE(finished.at(0), (QVariantList{2, 0}));
        QCOMPARE(rig.album.statusMessage(), QString("Batch download finished: 2 file(s)"));
        QCOMPARE(rig.read("a.jpg"), photo);
        QCOMPARE(rig.read("clip.mp4"), clip);
        QSet<QString> asked;
        for (const Window &w : rig.cam.windows(true)) {
            if (w.start != 0)
                continue; // a re-request on a busy machine
            asked.insert(w.path);
            QCOMPARE(w.packetSize, packet);
            QCOMPARE(w.count, (100000 + packet - 1) / packet);
            QCOMPARE(w.type, w.path.endsWith(".mp4") ? 5 : 4);
        }
        QCOMPARE(asked.size(), 2);

        rig.album.downloadFile("/sdcard/DCIM/clip.mp4");
        QVERIFY(finished.wait(Ceiling));
        QCOMPARE(rig.saved(), (QStringList{"a.jpg", "clip.mp4", "clip_1.mp4"}));
        QCOMPARE(rig.album.statusMessage(), QString("Saved 1 file(s) locally"));
    }

    // Whatever the camera calls a file, nothing lands outside the download
    // folder; a file the camera gives no size for is given up at once.
    void hostileCamera_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("status");
        QTest::newRow("climbing path") << "DCIM\\..\\..\\..\\escape.jpg" << 5000 << "escape.jpg"
                                       << "Saved 1 file(s) locally";
        QTest::newRow("device name, other separators")
            << "C:\\DCIM\\..\\CON.jpg" << 5000 << "_CON.jpg"
            << "Saved 1 file(s) locally";
        QTest::newRow("no size") << "a.jpg" << 0 << ""
                                 << "Download failed: a.jpg (the device did not give the file "
                                    "size)";
    }
    void hostileCamera()
    {
        QFETCH(QString, name);
        QFETCH(int, size);
        const QString path = "/sdcard/" + name;
        Rig rig({{path, noise(size, 1)}});
        QVERIFY(rig.open());
        QSignalSpy finished(&rig.album, &MediaAlbumBridge::batchDownloadFinished);
        QSignalSpy failed(&rig.album, &MediaAlbumBridge::downloadFailed);
        rig.album.downloadFile(path);
        QVERIFY(finished.wait(Ceiling));
        QFETCH(QString, status);
        QVERIFY2(rig.statuses.contains(status), qPrintable(rig.statuses.join('|')));
        QFETCH(QString, saved);
        QCOMPARE(rig.saved(), saved.isEmpty() ? QStringList() : QStringList{saved});
        QCOMPARE(QDir(rig.root.filePath("downloads"))
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                     .size(),
                 rig.saved().size());
        QCOMPARE(failed.size(), saved.isEmpty() ? 1 : 0);
        QCOMPARE(rig.cam.windows(true).size(), 1);
    }

    void cancelLeavesNothing()
    {
        Rig rig({{"/sdcard/DCIM/big.mp4", noise(8000000, 3)}}, "Otter", {}, 16);
        QVERIFY(rig.open());
        rig.album.downloadFile("/sdcard/DCIM/big.mp4");
        QTRY_VERIFY_WITH_TIMEOUT(rig.album.downloadPercent() > 0, Ceiling);
        QCOMPARE(rig.saved().size(), 1); // the partial file
        rig.album.cancelDownload();
        QCOMPARE(rig.album.statusMessage(), QString("Batch download cancelled (0/1 done)"));
        QVERIFY(!rig.album.downloading());
        QVERIFY(rig.saved().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(rig.cam.windows().last().type, 7, Ceiling);
    }

    // A thumbnail refused nine times in a row is given up once; the next one follows.
    void thumbnailNinthFailure()
    {
        Rig rig(photos({"a.jpg", "b.jpg"}));
        rig.cam.resultOf[CommandCode::DownloadMediaFile] = 1;
        QVERIFY(rig.open());
        QTRY_VERIFY_WITH_TIMEOUT(rig.statuses.contains("Thumbnail request failed: b.jpg"), Ceiling);
        int forB = 0;
        for (const Window &w : rig.cam.windows())
            forB += w.type == 2 && w.path == "/sdcard/b.jpg";
        QCOMPARE(forB, 9);
        QCOMPARE(rig.statuses.count("Thumbnail request failed: b.jpg"), 1);
        QTRY_COMPARE_WITH_TIMEOUT(rig.cam.windows().last().path, QString("/sdcard/a.jpg"), Ceiling);
    }

    // A delete answered after the album closed is not taken for a later one;
    // one asked for while the album is closed is refused.
    void deleteBarrierAfterClose()
    {
        Rig rig(photos({"a.jpg", "b.jpg", "c.jpg"}));
        rig.album.deleteFile("/sdcard/a.jpg");
        QCOMPARE(rig.album.statusMessage(), QString("Open the album to delete files"));
        QVERIFY(!rig.album.deleting());
        rig.cam.leaveOut[CommandCode::DeleteMediaFile] = 1;
        QVERIFY(rig.open());
        QCOMPARE(rig.cam.count(CommandCode::DeleteMediaFile), 0);
        rig.album.deleteFile("/sdcard/a.jpg");
        QTRY_COMPARE_WITH_TIMEOUT(rig.cam.count(CommandCode::DeleteMediaFile), 1, Ceiling);
        rig.album.closeAlbum();
        QVERIFY(rig.album.deleting());
        rig.album.openAlbum("rtsp://127.0.0.1/main");
        rig.album.deleteFile("/sdcard/b.jpg");           // refused while the old answer is awaited
        rig.cam.answer(CommandCode::DeleteMediaFile, 0); // the late answer
        QVERIFY(!rig.album.deleting());
        QVERIFY(QTest::qWaitFor([&] { return !rig.album.loading(); }, Ceiling));
        QCOMPARE(rig.cam.count(CommandCode::DeleteMediaFile), 1);
        QCOMPARE(rig.album.mediaItems().size(), 2); // the camera did delete it

        rig.cam.leaveOut[CommandCode::DeleteMediaFile] = 1;
        rig.album.deleteFile("/sdcard/b.jpg");
        QTRY_COMPARE_WITH_TIMEOUT(rig.cam.count(CommandCode::DeleteMediaFile), 2, Ceiling);
        rig.album.closeAlbum();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.album.deleting(), Ceiling); // the barrier expired
        QVERIFY(rig.open());
        QCOMPARE(rig.album.mediaItems().size(), 1);
        rig.album.toggleSelection("/sdcard/c.jpg");
        rig.album.deleteSelected();
        QTRY_VERIFY2_WITH_TIMEOUT(rig.statuses.contains("Delete finished: 1 succeeded, 0 failed"),
                                  qPrintable(rig.statuses.join('|')), Ceiling);
        QCOMPARE(rig.album.mediaItems().size(), 0);
        QCOMPARE(rig.album.selectedCount(), 0);
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
        Rig rig(photos({"a.jpg"}));
        rig.cam.leaveOut[CommandCode::PlaybackMode] = lost;
        QVERIFY(rig.open());
        QTEST(rig.cam.count(CommandCode::PlaybackMode), "requests");
        QFETCH(bool, listed);
        QCOMPARE(rig.album.mediaItems().size(), listed ? 1 : 0);
        if (!listed)
            QCOMPARE(rig.album.statusMessage(),
                     QString("The device did not answer the album mode request; check the "
                             "connection"));
    }

    // A camera that restarts while the album is open has left album mode:
    // it is put back (after its silence, or when it refuses a request) without
    // the album reopening; a list refused for good is reported after one try.
    void cameraRestarts_data()
    {
        QTest::addColumn<bool>("silence");
        QTest::newRow("silent, then back") << true;
        QTest::newRow("unnoticed") << false;
    }
    void cameraRestarts()
    {
        QFETCH(bool, silence);
        const QVector<CardFile> files = photos({"a.jpg", "b.jpg"});
        Rig rig(files);
        QVERIFY(rig.open());
        QTRY_VERIFY_WITH_TIMEOUT(!rig.album.thumbnailForPath("/sdcard/a.jpg").isEmpty() &&
                                     !rig.album.thumbnailForPath("/sdcard/b.jpg").isEmpty(),
                                 Ceiling);
        const quint32 report = CommandCode::GimbalAttitudeReport | (2u << 16);
        const auto reporting = [&rig] { return rig.controller.state()->reporting(); };
        const auto restart = [&] {
            if (silence)
                rig.cam.send(report, QByteArray(12, '\0'));
            rig.cam.camera.handleCommand(CommandCode::PlaybackMode, QByteArray(1, '\x02'), 0);
            if (!silence)
                return true;
            if (!QTest::qWaitFor([&] { return !reporting(); }, Ceiling))
                return false;
            const int mark = rig.cam.commands.size();
            rig.cam.send(report, QByteArray(12, '\0'));
            return QTest::qWaitFor([&] { return rig.cam.commands.size() > mark; }, Ceiling) &&
                   rig.cam.commands.at(mark).code == CommandCode::PlaybackMode;
        };

        QVERIFY(restart());
        QSignalSpy finished(&rig.album, &MediaAlbumBridge::batchDownloadFinished);
        rig.album.downloadFile("/sdcard/a.jpg");
        QVERIFY(finished.wait(Ceiling));
        QCOMPARE(finished.last(), (QVariantList{1, 0}));
        QCOMPARE(rig.read("a.jpg"), files.at(0).bytes);

        QVERIFY(restart());
        rig.album.refresh();
        QVERIFY(QTest::qWaitFor([&] { return !rig.album.loading(); }, Ceiling));
        QCOMPARE(rig.album.statusMessage(), QString("2 files"));
        QCOMPARE(rig.cam.count(CommandCode::PlaybackMode), 3);

        rig.cam.resultOf[CommandCode::RefreshMediaList] = 4;
        rig.album.refresh();
        QVERIFY(QTest::qWaitFor([&] { return !rig.album.loading(); }, Ceiling));
        QCOMPARE(rig.album.statusMessage(), QString("Failed to refresh media list (code=4)"));
        QCOMPARE(rig.cam.count(CommandCode::PlaybackMode), 4);
    }

    // Playback as the album drives it (the pictures are the simulator
    // test's). Thumbnails wait while a clip plays, and none goes out when a
    // clip gives way to another or to closing; the clip that plays is
    // stopped before it is deleted.
    void playbackControl()
    {
        QVector<CardFile> files = photos({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg"});
        files.append({"/sdcard/DCIM/clip.mp4", noise(1000, 5)});
        files.append({"/sdcard/DCIM/other.mp4", noise(1000, 6)});
        AlbumTimings timings = quickTimings();
        timings.abortSettleMs = 0; // a thumbnail let through would go out at once
        Rig rig(files, "Otter", {}, 0, timings);
        QVERIFY(rig.open());
        const QString clip = "/sdcard/DCIM/clip.mp4";
        const QString other = "/sdcard/DCIM/other.mp4";
        // The commands from `from` on up to the first of `code`, which must come.
        const auto before = [&rig](int from, quint16 code) {
            QVector<quint16> codes;
            for (int i = from; i < rig.cam.commands.size(); ++i) {
                if (rig.cam.commands.at(i).code == code)
                    return codes;
                codes.append(rig.cam.commands.at(i).code);
            }
            return QVector<quint16>{0};
        };

        rig.album.playVideo(clip);
        QTRY_COMPARE_WITH_TIMEOUT(rig.cam.camera.clientPort(0),
                                  rig.album.playbackReceiver()->port(), Ceiling);
        const quint32 report = CommandCode::PlaybackStatusReport | (2u << 16);
        rig.cam.send(report, QByteArray::fromHex("0002102700000300000000"));
        QCOMPARE(rig.album.playbackTotalMs(), 10000);
        QCOMPARE(rig.album.playbackPositionMs(), 3000);
        QVERIFY(!rig.album.playbackPaused());
        rig.cam.send(report, QByteArray::fromHex("0007102700000300000000"));
        QCOMPARE(rig.album.playbackPositionMs(), 10000);
        rig.album.seekVideo(61500);
        QCOMPARE(rig.album.playbackPositionMs(), 61000);
        QTRY_COMPARE_WITH_TIMEOUT(rig.cam.count(CommandCode::SeekVideoPlayback), 1, Ceiling);
        for (const Command &c : qAsConst(rig.cam.commands))
            if (c.code == CommandCode::SeekVideoPlayback)
                QCOMPARE(c.payload, QByteArray::fromHex("153d000000") + clip.toUtf8());
        rig.album.stopVideo();
        QCOMPARE(rig.cam.count(CommandCode::StopVideoPlayback), 1);
        QVERIFY(rig.album.playingPath().isEmpty());

        rig.album.playVideo(clip);
        int mark = rig.cam.commands.size();
        rig.album.playVideo(other);
        QVERIFY(!before(mark, CommandCode::StartVideoPlayback)
                     .contains(CommandCode::DownloadMediaFile));
        mark = rig.cam.commands.size();
        QSignalSpy deleted(&rig.album, &MediaAlbumBridge::fileDeleted);
        rig.album.deleteFile(other);
        QVERIFY(
            before(mark, CommandCode::DeleteMediaFile).contains(CommandCode::StopVideoPlayback));
        QVERIFY(deleted.wait(Ceiling));

        rig.album.playVideo(clip);
        mark = rig.cam.commands.size();
        rig.album.closeAlbum();
        const QVector<quint16> closing = before(mark, CommandCode::PlaybackMode);
        QVERIFY(closing.contains(CommandCode::StopVideoPlayback));
        QVERIFY(!closing.contains(CommandCode::DownloadMediaFile));
    }
};

SKYRIG_REGISTER_TEST(AlbumBridgeTest)
#include "tst_album_bridge.moc"

#endif
