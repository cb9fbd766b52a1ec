import QtQuick 2.15
import Skyrig.Video 1.0

// The picture of a video played back from the memory card.
Item {
    readonly property alias frame: frame
    VideoFrameItem {
        id: frame
        objectName: "albumFrame"
        anchors.fill: parent
    }
}
