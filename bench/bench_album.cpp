// Album download throughput against the simulator on loopback (unpaced, 57344
// bytes per packet): the raw rate at which a bare UDP socket takes the same
// datagrams from the same sender, our loss-free rate as a ratio of it, our
// rate at 1 %, 5 % and 10 % datagram loss (with every file checked byte for
// byte), and the receiver's memory while a 3 GiB file comes in.
//
// Usage: bench_album [MB]   (default 200)

#include "album/AlbumGround.h"
#include "album/MediaTransfer.h"
#include "integration/CamsimHarness.h"
#include "link/Payload.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using album_test::AlbumGround;

namespace
{

constexpr int PacketSize = 57344;

// Runs the event loop until `done` holds or `ms` pass.
template <typename F> bool waitFor(F done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    return done();
}

// The unpaced simulator serving `card`, with `extra` options.
bool startSim(camsim_test::SimProcess &sim, const QString &card, const QStringList &extra = {})
{
    QString error;
    if (sim.start(QStringList{"--media-rate", "0", "--media-dir", card} + extra, &error))
        return true;
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return false;
}

// The program's own stack with the album's real delays: control link,
// controller, album.
struct Ground : AlbumGround {
    Ground(quint16 simPort, const QString &downloads)
        : AlbumGround(simPort, downloads, realTimings())
    {
    }
    static AlbumTimings realTimings()
    {
        AlbumTimings t;
        t.downloadPort = 0;
        t.playbackPort = 0;
        return t;
    }
    bool open()
    {
        album.openAlbum(QStringLiteral("127.0.0.1"));
        return waitFor([this] { return album.isOpen() && !album.loading(); }, 60000) &&
               !album.mediaItems().isEmpty();
    }
    // Seconds for one file, or -1.
    double download(const QString &path, QString *local)
    {
        QElapsedTimer t;
        t.start();
        QString saved;
        bool failed = false;
        auto c1 = QObject::connect(&album, &MediaAlbumBridge::downloadCompleted,
                                   [&](const QString &, const QString &l) { saved = l; });
        auto c2 = QObject::connect(&album, &MediaAlbumBridge::downloadFailed,
                                   [&](const QString &, const QString &) { failed = true; });
        album.downloadFile(path);
        QTimer trace;
        if (qEnvironmentVariableIsSet("BENCH_ALBUM_TRACE")) {
            QObject::connect(&trace, &QTimer::timeout, [this] {
                const MediaDownloadReceiver *r = album.downloadReceiver();
                std::fprintf(
                    stderr,
                    "trace: next %u active %d held %d dup %llu odd %llu strangers %llu status %s\n",
                    r->nextSequence(), r->active(), r->heldCount(),
                    (unsigned long long)r->duplicatePackets(),
                    (unsigned long long)r->inconsistentPackets(),
                    (unsigned long long)r->rejectedDatagrams(), qPrintable(album.statusMessage()));
            });
            trace.start(qEnvironmentVariableIntValue("BENCH_ALBUM_TRACE"));
        }
        if (!waitFor([&] { return !saved.isEmpty() || failed; }, 600000))
            return -1;
        QObject::disconnect(c1);
        QObject::disconnect(c2);
        *local = saved;
        return saved.isEmpty() ? -1 : t.elapsed() / 1000.0;
    }
};

// The same windows, taken by a bare socket that only counts what arrives.
double rawRate(Ground &g, const QString &path, qint64 size)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    int buffer = 8 * 1024 * 1024;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len);
    g.controller.playbackClientSet(1, QStringLiteral("127.0.0.1"), ntohs(addr.sin_port));
    waitFor([] { return false; }, 100);

    const quint32 packets = quint32((size + PacketSize - 1) / PacketSize);
    QByteArray datagram(70000, '\0');
    qint64 bytes = 0;
    QElapsedTimer t;
    t.start();
    for (quint32 start = 0; start < packets; start += 255) {
        const int count = int(qMin<quint32>(255, packets - start));
        g.controller.mediaFileDownload(path, 4, PacketSize, int(start), count);
        for (;;) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                break; // the rest of the window was lost
            const ssize_t n = ::recv(fd, datagram.data(), size_t(datagram.size()), 0);
            if (n < 18 || datagram.at(11) != 2)
                continue;
            bytes += n - 18;
            const quint32 seq = Payload::readU32(datagram, 12);
            if (seq + 1 >= start + quint32(count))
                break;
        }
    }
    const double seconds = t.elapsed() / 1000.0;
    ::close(fd);
    QCoreApplication::processEvents();
    return bytes / 1e6 / seconds;
}

QByteArray sha1Of(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash h(QCryptographicHash::Sha1);
    h.addData(&f);
    return h.result();
}

qint64 peakRssKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

void resetPeakRss()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("SkyrigBench"));
    QCoreApplication::setApplicationName(QStringLiteral("bench_album"));
    QStandardPaths::setTestModeEnabled(true);
    QSettings().setValue(QStringLiteral("startup/isChinese"), false);
    if (!QFile::exists(QStringLiteral(SKYRIG_BIN_DIR "/skyrig-camsim"))) {
        std::printf("bench_album: the simulator is not built\n");
        return 0;
    }
    const int megabytes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200;
    const qint64 size = qint64(megabytes) * 1000 * 1000;

    QTemporaryDir work;
    const QString media = work.filePath(QStringLiteral("card"));
    QDir().mkpath(media);
    {
        QFile f(QDir(media).filePath(QStringLiteral("bench.mp4")));
        f.open(QIODevice::WriteOnly);
        QByteArray block(1 << 20, Qt::Uninitialized);
        quint32 x = 12345;
        for (qint64 written = 0; written < size; written += block.size()) {
            for (int i = 0; i < block.size(); ++i) {
                x = x * 1664525u + 1013904223u;
                block[i] = char(x >> 24);
            }
            f.write(block.constData(), int(qMin<qint64>(block.size(), size - written)));
        }
    }
    const QByteArray expected = sha1Of(QDir(media).filePath(QStringLiteral("bench.mp4")));
    const QString path = QStringLiteral("/sdcard/bench.mp4");

    std::printf("bench_album: %d MB file, %d-byte packets, unpaced simulator on loopback\n",
                megabytes, PacketSize);
    std::printf("%-22s %10s %10s %9s %9s\n", "run", "MB/s", "of raw", "requests", "identical");
    double ours = 0;
    double raw = 0;
    for (double loss : {0.0, 0.01, 0.05, 0.10}) {
        camsim_test::SimProcess sim;
        QStringList extra;
        if (loss > 0)
            extra << "--loss" << QString::number(loss) << "--fault-channel"
                  << "media";
        if (!startSim(sim, media, extra))
            return 1;
        const QString downloads = work.filePath(QStringLiteral("dl%1").arg(int(loss * 100)));
        Ground g(sim.port, downloads);
        if (!g.open()) {
            std::printf("album did not open: %s\n", qPrintable(g.album.statusMessage()));
            return 1;
        }
        // The album asks for the file's thumbnail as soon as the list is in;
        // every run starts timing once that is done and the pause after a
        // re-requested transfer has passed, so none of them pays for
        // cancelling it or for that pause.
        waitFor([&] { return !g.album.thumbnailForPath(path).isEmpty(); }, 60000);
        waitFor([] { return false; }, 100);
        if (loss == 0)
            raw = rawRate(g, path, size);
        QString local;
        const double seconds = g.download(path, &local);
        const double rate = seconds > 0 ? size / 1e6 / seconds : 0;
        if (loss == 0) {
            ours = rate;
            std::printf("%-22s %10.1f %10s %9s %9s\n", "raw socket", raw, "100 %", "-", "-");
        }
        const QString name = loss == 0 ? QStringLiteral("album, no loss")
                                       : QStringLiteral("album, %1 % loss").arg(int(loss * 100));
        std::printf("%-22s %10.1f %9.0f%% %9d %9s   (%.0f %% of loss-free; re-requests: %d at "
                    "gaps, %d after quiet)\n",
                    qPrintable(name), rate, raw > 0 ? 100.0 * rate / raw : 0.0,
                    g.album.transfer()->fileRequests(), sha1Of(local) == expected ? "yes" : "NO",
                    ours > 0 ? 100.0 * rate / ours : 0.0, g.album.transfer()->gapRerequests(),
                    g.album.transfer()->quietRerequests());
        QFile::remove(local);
        g.album.closeAlbum();
    }

    if (qEnvironmentVariableIsSet("BENCH_ALBUM_NO_BIG"))
        return 0;
    // Memory stays bounded by the held packets, whatever the file size.
    const qint64 big = 3LL << 30;
    const QString bigFolder = work.filePath(QStringLiteral("bigcard"));
    QDir().mkpath(bigFolder);
    {
        QFile f(QDir(bigFolder).filePath(QStringLiteral("big.mp4")));
        f.open(QIODevice::WriteOnly);
        f.resize(big); // sparse: the disk holds nothing of it
    }
    camsim_test::SimProcess sim;
    if (!startSim(sim, bigFolder))
        return 1;
    Ground g(sim.port, work.filePath(QStringLiteral("dlbig")));
    if (g.open()) {
        resetPeakRss();
        const qint64 before = peakRssKiB();
        QString local;
        const double seconds = g.download(QStringLiteral("/sdcard/big.mp4"), &local);
        std::printf("3 GiB file: %s in %.1f s (%.1f MB/s); peak resident memory %lld KiB before, "
                    "%lld KiB during; largest held-packet memory %lld KiB\n",
                    QFileInfo(local).size() == big ? "complete" : "INCOMPLETE", seconds,
                    seconds > 0 ? big / 1e6 / seconds : 0.0, before, peakRssKiB(),
                    g.album.downloadReceiver()->peakHeldBytes() / 1024);
        QFile::remove(local);
    }
    return 0;
}
