import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0

// Banner shown while the link is down.
Rectangle {
    id: hint
    property string text
    Layout.fillWidth: true
    implicitHeight: Math.max(label.implicitHeight, mark.height) + 2 * Theme.gapM
    radius: Theme.radiusM
    color: Theme.warningSoft
    border.color: Qt.rgba(0.96, 0.71, 0.29, 0.4)
    Accessible.role: Accessible.AlertMessage
    Accessible.name: text
    Icon {
        id: mark
        x: Theme.gapM
        y: Theme.gapM
        name: "warning"
        color: Theme.warning
    }
    Text {
        id: label
        x: mark.x + mark.width + Theme.gapS
        y: Theme.gapM
        width: hint.width - x - Theme.gapM
        text: hint.text
        color: Theme.warning
        font.pixelSize: Theme.fontBody
        wrapMode: Text.WordWrap
    }
}
