import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0

// One telemetry reading: small caption over a large tabular number. A long
// value (a serial number, a version string) shrinks to fit the tile rather
// than running past its edge; the tool tip always shows it whole.
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
    HoverHandler { id: hover }
    ToolTip.text: caption + ": " + value + (unit !== "" ? " " + unit : "")
    ToolTip.visible: hover.hovered
    ToolTip.delay: 600
    Column {
        id: col
        x: Theme.gapM
        y: Theme.gapM
        width: parent.width - 2 * Theme.gapM
        spacing: Theme.gapXs
        Text {
            text: tile.caption
            textFormat: Text.PlainText
            color: Theme.textTertiary
            font.pixelSize: Theme.fontCaption
            font.capitalization: Font.AllUppercase
            font.letterSpacing: 0.6
            elide: Text.ElideRight
            width: parent.width
        }
        Row {
            width: parent.width
            spacing: Theme.gapXs
            Text {
                id: valueText
                objectName: "tileValue"
                width: Math.min(implicitWidth,
                                Math.max(0, parent.width - (unitText.text !== "" ? unitText.implicitWidth + parent.spacing : 0)))
                text: tile.value
                textFormat: Text.PlainText
                color: tile.tone
                font.pixelSize: Theme.fontNumber
                font.family: Theme.monoFamily
                font.weight: Font.Medium
                // One line of a fixed height: a long value shrinks to fit
                // the tile (down to the small type size) and is only then
                // shortened in the middle; the tile's height never follows.
                height: valueMetrics.height
                verticalAlignment: Text.AlignBottom
                fontSizeMode: Text.HorizontalFit
                minimumPixelSize: Theme.fontSmall
                elide: Text.ElideMiddle
                FontMetrics { id: valueMetrics; font.pixelSize: Theme.fontNumber; font.family: Theme.monoFamily }
            }
            Text {
                id: unitText
                text: tile.unit
                color: Theme.textTertiary
                font.pixelSize: Theme.fontSmall
                anchors.baseline: valueText.baseline
            }
        }
    }
}
