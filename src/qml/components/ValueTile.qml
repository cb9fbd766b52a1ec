import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0

// One telemetry reading: small caption over a large tabular number.
Rectangle {
    id: tile
    property string caption
    property string value: "--"
    property string unit: ""
    property color tone: Theme.text
    Layout.fillWidth: true
    implicitHeight: col.implicitHeight + 2 * Theme.gapM
    radius: Theme.radiusM
    color: Theme.surface
    border.color: Theme.divider
    Accessible.role: Accessible.StaticText
    Accessible.name: caption + " " + value + " " + unit
    Column {
        id: col
        x: Theme.gapM
        y: Theme.gapM
        width: parent.width - 2 * Theme.gapM
        spacing: Theme.gapXs
        Text {
            text: tile.caption
            color: Theme.textTertiary
            font.pixelSize: Theme.fontCaption
            font.capitalization: Font.AllUppercase
            font.letterSpacing: 0.6
            elide: Text.ElideRight
            width: parent.width
        }
        Row {
            spacing: Theme.gapXs
            Text {
                text: tile.value
                color: tile.tone
                font.pixelSize: Theme.fontNumber
                font.family: Theme.monoFamily
                font.weight: Font.Medium
            }
            Text {
                text: tile.unit
                color: Theme.textTertiary
                font.pixelSize: Theme.fontSmall
                anchors.baseline: parent.children[0].baseline
            }
        }
    }
}
