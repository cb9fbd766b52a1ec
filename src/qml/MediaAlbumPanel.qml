import QtQuick 2.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// The media album on the device's memory card.
Rectangle {
    id: albumPanel
    objectName: "albumPanel"
    color: Theme.window
}
