#pragma once

// The program's own album stack as the tests and the benchmark run it against
// a camera on loopback: control link over UDP, controller, album bridge, and a
// download folder of the caller's choosing.

#include "album/MediaAlbumBridge.h"
#include "commands/GimbalController.h"
#include "link/TransportManager.h"
#include "link/UdpTransport.h"

namespace album_test
{

// Free ports and delays short enough for tests: a lost answer or window
// costs a tenth of a second, a stall a few seconds.
inline AlbumTimings quickTimings()
{
    AlbumTimings t;
    t.downloadPort = 0;
    t.playbackPort = 0;
    t.listTimeoutMs = 3000;
    t.thumbnailTimeoutMs = 1000;
    t.stallMs = 4000;
    t.deleteBarrierMs = 300;
    t.albumReadyDelayMs = 10;
    t.pumpDelayMs = 10;
    t.refusedWindowRetryMs = 10;
    t.rerequestMs = 100;
    t.modeResendMs = 100;
    return t;
}

struct AlbumGround {
    TransportManager manager;
    UdpTransport udp;
    GimbalController controller;
    MediaAlbumBridge album;

    AlbumGround(quint16 cameraPort, const QString &downloads,
                const AlbumTimings &timings = quickTimings())
        : album(&controller, timings)
    {
        udp.setTarget(QHostAddress::LocalHost, cameraPort);
        udp.setLocalPort(0);
        udp.open();
        manager.setTransport(&udp);
        controller.setTransportManager(&manager);
        QObject::connect(&controller, &GimbalController::ackReceived, &album,
                         &MediaAlbumBridge::onAck);
        album.setDownloadDirectory(downloads);
    }
};

} // namespace album_test
