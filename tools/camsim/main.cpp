#include "camsim/DatagramChannel.h"
#include "camsim/HttpServer.h"
#include "camsim/MediaCard.h"
#include "camsim/SimCamera.h"
#include "camsim/SimLink.h"
#include "camsim/SimOptions.h"
#include "catalog/ModelSpec.h"
#ifdef SKYRIG_CAMSIM_HAS_RTSP
#include "camsim/RtspServer.h"
#endif

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <QUrl>

extern "C" {
#include <libavutil/log.h>
}

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    ssize_t ignored = ::write(signalPipe[1], &c, 1);
    (void)ignored;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("skyrig-camsim"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    SimOptions options;
    QString error, help;
    if (!options.parse(app.arguments(), &error, &help)) {
        if (error.isEmpty()) {
            out << help;
            return 0;
        }
        err << "camsim: " << error << "\n";
        return 2;
    }

    av_log_set_level(AV_LOG_ERROR); // the encoders' chatter is not for the operator

    // Stop cleanly on SIGINT/SIGTERM so the pseudo-terminal link and the
    // card's folder are removed; a signal while the card is made takes
    // effect once it is done.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
        auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
    }

    // The memory card: the user's folder, or a generated one, complete before
    // the camera reports ready.
    MediaCard card;
    QObject::connect(&card, &MediaCard::warning, [&err](const QString &text) {
        err << "camsim: " << text << "\n" << Qt::flush;
    });
    QStringList notes;
    const bool cardOk = options.mediaDir.isEmpty() ? card.generate(&notes, &error)
                                                   : card.openFolder(options.mediaDir, &error);
    if (!cardOk) {
        err << "camsim: " << error << "\n";
        return 1;
    }
    for (const QString &note : notes)
        err << "camsim: " << note << "\n";
    err.flush();

    SimCamera camera(options);
    camera.setCard(&card);
    SimLink link(options, &camera);
    QObject::connect(&link, &SimLink::warning, [&err](const QString &text) {
        err << "camsim: " << text << "\n" << Qt::flush;
    });
    if (!link.start(&error)) {
        err << "camsim: " << error << "\n";
        return 1;
    }

    QString rtspUrl = QStringLiteral("-");
#ifdef SKYRIG_CAMSIM_HAS_RTSP
    std::unique_ptr<RtspServer> rtsp;
    if (options.rtspPort > 0) {
        rtsp.reset(new RtspServer(options.bindAddress, quint16(options.rtspPort)));
        RtspServer *server = rtsp.get();
        // New sessions get the stream the camera is set to (without an H.265
        // encoder the server stays with H.264).
        const auto follow = [&camera, server] {
            server->setStreamSettings(StreamSettings{camera.streamWidth(), camera.streamHeight(),
                                                     camera.streamH265(),
                                                     camera.streamBitrateKbps()});
        };
        follow();
        rtsp->setAllowRemote(options.allowRemote);
        rtsp->setUdpMedia(RtspServer::UdpMedia(int(options.rtspUdp)));
        if (rtsp->start(&error)) {
            rtspUrl =
                QStringLiteral("rtsp://%1:%2/test").arg(options.bindAddress).arg(options.rtspPort);
            QObject::connect(&camera, &SimCamera::streamSettingsChanged, follow);
            QObject::connect(&camera, &SimCamera::overlayChanged,
                             [server](double yaw, double pitch, double zoom) {
                                 server->setOverlay(yaw, pitch, zoom);
                             });
        } else {
            err << "camsim: RTSP disabled: " << error << "\n";
            rtsp.reset();
        }
    }
#endif

    QString httpAddress = QStringLiteral("-");
    std::unique_ptr<HttpServer> http;
    if (options.httpPort > 0) {
        http.reset(new HttpServer(options.bindAddress, camera.modelSpec().id, options.allowRemote,
                                  options.httpFaults));
        if (http->start(quint16(options.httpPort), &error)) {
            httpAddress = QStringLiteral("%1:%2").arg(options.bindAddress).arg(http->port());
            QObject::connect(http.get(), &HttpServer::upgradeStarted, &camera,
                             [&camera, &err](const QString &fileName) {
                                 err << "camsim: upgrade with " << fileName
                                     << " accepted; rebooting\n"
                                     << Qt::flush;
                                 camera.beginReboot(HttpServer::versionOfPackage(fileName));
                             });
        } else {
            err << "camsim: HTTP disabled: " << error << "\n";
            http.reset();
        }
    }

    const QString udp = options.udpPort >= 0
                            ? QStringLiteral("%1:%2").arg(options.bindAddress).arg(link.udpPort())
                            : QStringLiteral("-");
    const QString pty = link.ptyPath().isEmpty() ? QStringLiteral("-") : link.ptyPath();
    out << "camsim ready udp=" << udp << " pty=" << pty << " rtsp=" << rtspUrl
        << " model=" << camera.modelSpec().id << " media=" << card.count()
        << " card=" << QString::fromUtf8(QUrl::toPercentEncoding(card.folder(), "/"))
        << " http=" << httpAddress << "\n"
        << Qt::flush;

    const int status = app.exec();
    const FaultInjector::Counters &c = link.faultCounters();
    err << "camsim: stopped; frames received " << link.framesReceived() << ", sent " << c.sent
        << ", lost " << c.lost << ", corrupted " << c.corrupted << ", duplicated " << c.duplicated
        << ", with noise " << c.garbled << ", received and dropped " << c.receivedLost << "\n";
    if (link.mediaChannel()) {
        const DatagramChannel *media = link.mediaChannel();
        const DatagramChannel *play = link.playbackChannel();
        err << "camsim: media datagrams " << media->datagramsSent() << " (" << media->bytesSent()
            << " bytes, lost " << media->faultCounters().lost << "), playback datagrams "
            << play->datagramsSent() << " (lost " << play->faultCounters().lost << ")\n";
    }
    card.waitForRecordings();
    return status;
}
