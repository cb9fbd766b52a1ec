import QtQuick 2.15
import Skyrig.Theme 1.0

// A status pill: coloured dot and text.
Rectangle {
    id: chip
    property string text
    property color tone: Theme.textTertiary
    property bool pulse: false
    property string iconName: ""
    implicitHeight: Theme.s(24)
    implicitWidth: row.implicitWidth + 2 * Theme.gapS + Theme.gapXs
    radius: height / 2
    color: Qt.rgba(tone.r, tone.g, tone.b, 0.13)
    border.color: Qt.rgba(tone.r, tone.g, tone.b, 0.35)
    Accessible.role: Accessible.StaticText
    Accessible.name: text
    Row {
        id: row
        anchors.centerIn: parent
        spacing: Theme.gapXs + 2
        Rectangle {
            visible: chip.iconName === ""
            width: Theme.s(7)
            height: width
            radius: width / 2
            color: chip.tone
            anchors.verticalCenter: parent.verticalCenter
            SequentialAnimation on opacity {
                running: chip.pulse && chip.visible
                loops: Animation.Infinite
                NumberAnimation { to: 0.3; duration: 600 }
                NumberAnimation { to: 1; duration: 600 }
            }
        }
        Icon {
            visible: chip.iconName !== ""
            name: chip.iconName
            size: Theme.iconSize * 0.8
            color: chip.tone
            anchors.verticalCenter: parent.verticalCenter
        }
        Text {
            text: chip.text
            textFormat: Text.PlainText
            color: Qt.lighter(chip.tone, 1.15)
            font.pixelSize: Theme.fontSmall
            font.weight: Font.Medium
            anchors.verticalCenter: parent.verticalCenter
        }
    }
}
