// The album end to end against the real simulator process, on a clean and
// on a faulty media channel.

#include "AlbumGround.h"
#include "album/PlaybackVideoDecoder.h"
#include "common/TestMain.h"
#include "integration/CamsimHarness.h"

#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>

using namespace album_test;

namespace
{

QString firstOf(const MediaAlbumBridge &album, const QString &type,
                const QString &suffix = QString())
{
    for (const QVariant &v : album.mediaItems()) {
        const QVariantMap m = v.toMap();
        if (m.value("type") == type && m.value("path").toString().endsWith(suffix))
            return m.value("path").toString();
    }
    return QString();
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

class AlbumSimTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QSettings().setValue("startup/isChinese", false); }

    void endToEnd_data()
    {
        QTest::addColumn<QString>("options");
        // Without a video address the camera is where the control link goes.
        QTest::addColumn<QString>("videoUrl");
        // Both rows: a camera that sends packets of its own size (smaller
        // than asked, so the list, thumbnails and files take more windows)
        // and pads every transfer's last packet.
        QTest::newRow("clean link, loose list, raw playback, 1000-byte packets")
            << "--media-rate 0 --media-list-style loose --playback-form raw "
               "--media-packet-size 1000 --media-pad-last"
            << "rtsp://127.0.0.1/test";
        QTest::newRow("10 % loss, reordering, duplicates; strict list, framed playback")
            << "--media-rate 0 --media-list-style strict --playback-form framed --loss 0.1 "
               "--reorder 0.1 --duplicate 0.05 --fault-channel media "
               "--media-packet-size 5000 --media-pad-last"
            << "";
    }
    void endToEnd()
    {
        QFETCH(QString, options);
        CAMSIM_START(sim, qPrintable(options));
        const QRegularExpressionMatch card =
            QRegularExpression(QStringLiteral(" card=(\\S+)")).match(sim.readyLine);
        if (!card.hasMatch())
            QSKIP("this simulator has no memory card");
        const QString cardFolder = QUrl::fromPercentEncoding(card.captured(1).toUtf8());
        QTemporaryDir downloads;
        // The simulator makes its card when the album first opens: on a busy
        // machine that takes longer than a camera takes to send its list.
        AlbumTimings timings = quickTimings();
        timings.listTimeoutMs = 30000;
        AlbumGround g(sim.port, downloads.path(), timings);

        QFETCH(QString, videoUrl);
        g.album.openAlbum(videoUrl);
        QTRY_VERIFY_WITH_TIMEOUT(g.album.isOpen() && !g.album.loading(), 60000);
        QVERIFY2(g.album.mediaItems().size() > 3, qPrintable(g.album.statusMessage()));
        const QString photo = firstOf(g.album, "photo");
        const QString h264 = firstOf(g.album, "video", ".mp4");
        QVERIFY(!photo.isEmpty() && !h264.isEmpty());

        // Thumbnails of the first page are real JPEG pictures.
        const QString tile = g.album.pagedItems().first().toMap().value("path").toString();
        QTRY_VERIFY_WITH_TIMEOUT(!g.album.thumbnailForPath(tile).isEmpty(), 60000);
        const QByteArray jpeg = QByteArray::fromBase64(
            g.album.thumbnailForPath(tile).mid(int(qstrlen("data:image/jpeg;base64,"))).toLatin1());
        QVERIFY(jpeg.startsWith("\xFF\xD8"));

        // A photo and a video, byte for byte.
        QSignalSpy finished(&g.album, &MediaAlbumBridge::batchDownloadFinished);
        QSignalSpy saved(&g.album, &MediaAlbumBridge::downloadCompleted);
        g.album.downloadFiles({photo, h264});
        QVERIFY(finished.wait(120000));
        QCOMPARE(finished.at(0).at(0).toInt(), 2);
        for (const QList<QVariant> &s : qAsConst(saved))
            QCOMPARE(contents(s.at(1).toString()),
                     contents(cardFolder + s.at(0).toString().mid(int(qstrlen("/sdcard")))));

        // Playback to decoded pictures: the card's H.265 clips have upper-case names.
        for (const QString &suffix : {QStringLiteral(".mp4"), QStringLiteral(".MP4")}) {
            const QString clip = firstOf(g.album, "video", suffix);
            QVERIFY2(!clip.isEmpty(), qPrintable(suffix));
            g.album.playVideo(clip);
            QTRY_VERIFY_WITH_TIMEOUT(g.album.playbackHasFrame(), 60000);
            QCOMPARE(int(g.album.playbackDecoder()->codec()),
                     int(suffix == ".mp4" ? PlaybackPayload::Codec::H264
                                          : PlaybackPayload::Codec::H265));
            QTRY_VERIFY_WITH_TIMEOUT(g.album.playbackTotalMs() > 0, 60000);
            g.album.stopVideo();
        }

        const int before = g.album.mediaItems().size();
        QSignalSpy deleted(&g.album, &MediaAlbumBridge::fileDeleted);
        g.album.deleteFile(photo);
        QVERIFY(deleted.wait(60000));
        QTRY_COMPARE_WITH_TIMEOUT(g.album.mediaItems().size(), before - 1, 60000);
        g.album.closeAlbum();
    }
};

SKYRIG_REGISTER_TEST(AlbumSimTest)
#include "tst_album_sim.moc"
