import QtQuick 2.15
import QtQuick.Window 2.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0
import Skyrig.Video 1.0

// The live picture: one VideoPlayer feeding the picture item here, or the
// full-screen copy while that is open. Loaded by the video panel once the
// video types are available.
Item {
    id: surface
    readonly property alias player: player
    readonly property alias frame: frame
    readonly property bool fullScreen: fullWindow.visible
    signal fullScreenClosed()

    function attach() { player.target = fullWindow.visible ? fullFrame : frame }
    function release() { player.target = null }
    function openFullScreen() {
        fullWindow.showFullScreen()
        player.target = fullFrame
    }
    function closeFullScreen() {
        if (!fullWindow.visible)
            return
        player.target = frame
        fullWindow.close()
    }

    VideoPlayer {
        id: player
        objectName: "livePlayer"
        // The handshake sets the camera's clock from ours: its RTCP sender
        // reports then give a latency estimate.
        cameraClockSet: !!Core.control && Core.control.handshakeReady
    }

    VideoFrameItem {
        id: frame
        objectName: "liveFrame"
        anchors.fill: parent
    }

    Window {
        id: fullWindow
        title: "Skyrig"
        color: Theme.videoBackground
        onVisibleChanged: {
            if (!visible) {
                if (player.target === fullFrame)
                    player.target = frame
                surface.fullScreenClosed()
            }
        }
        VideoFrameItem {
            id: fullFrame
            anchors.fill: parent
        }
        Shortcut {
            sequences: ["Esc", "F11"]
            onActivated: surface.closeFullScreen()
        }
    }
}
