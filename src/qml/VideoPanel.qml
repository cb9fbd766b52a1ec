import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// The live video area (stream toolbar, picture with overlays, capture bar).
Rectangle {
    id: panel
    objectName: "videoPanel"
    property int outputModeValue: -1
    property bool smokeAlbum: false
    color: Theme.videoBackground

    function restartForStreamChange() {}
}
