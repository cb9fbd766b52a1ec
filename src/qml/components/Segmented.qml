import QtQuick 2.15
import QtQuick.Controls 2.15
import Skyrig.Theme 1.0

// Two- or three-way switch. `options` are labels (or {label, icon}).
Rectangle {
    id: seg
    property var options: []
    property int currentIndex: 0
    property string tip: ""
    signal activated(int index)

    implicitHeight: Theme.controlHeight
    implicitWidth: row.implicitWidth + 2 * Theme.gapXs
    radius: Theme.radiusM
    color: Theme.input
    border.color: Theme.border
    Accessible.role: Accessible.PageTabList
    Accessible.name: tip

    Rectangle {
        id: thumb
        y: Theme.gapXs / 2 + 1
        height: parent.height - Theme.gapXs - 2
        readonly property Item target: options.count > seg.currentIndex && seg.currentIndex >= 0
                                       ? options.itemAt(seg.currentIndex) : null
        x: target ? row.x + target.x : 0
        width: target ? target.width : 0
        radius: Theme.radiusS
        color: Theme.accentSoft
        border.color: Theme.accentLine
        Behavior on x { NumberAnimation { duration: Theme.normal; easing.type: Easing.OutCubic } }
        Behavior on width { NumberAnimation { duration: Theme.normal; easing.type: Easing.OutCubic } }
    }
    Row {
        id: row
        x: Theme.gapXs / 2
        height: parent.height
        Repeater {
            id: options
            model: seg.options
            delegate: AbstractButton {
                id: option
                readonly property string label: typeof modelData === "object" ? modelData.label : modelData
                readonly property string iconName: typeof modelData === "object" && modelData.icon ? modelData.icon : ""
                height: row.height
                width: (seg.width - Theme.gapXs) / Math.max(1, seg.options.length)
                hoverEnabled: true
                focusPolicy: Qt.StrongFocus
                checkable: true
                checked: seg.currentIndex === index
                Accessible.role: Accessible.PageTab
                Accessible.name: label
                ToolTip.text: seg.tip !== "" ? seg.tip + ": " + label : label
                ToolTip.visible: hovered
                ToolTip.delay: 600
                onClicked: {
                    seg.currentIndex = index
                    seg.activated(index)
                }
                contentItem: Row {
                    spacing: Theme.gapXs + 2
                    anchors.centerIn: parent
                    Icon {
                        visible: option.iconName !== ""
                        name: option.iconName
                        size: Theme.iconSize * 0.9
                        color: option.checked ? Theme.accent : Theme.textSecondary
                        anchors.verticalCenter: parent.verticalCenter
                    }
                    Text {
                        text: option.label
                        color: option.checked ? Theme.text : option.hovered ? Theme.text : Theme.textSecondary
                        font.pixelSize: Theme.fontBody
                        font.weight: option.checked ? Font.DemiBold : Font.Normal
                        anchors.verticalCenter: parent.verticalCenter
                    }
                }
                background: Rectangle {
                    color: "transparent"
                    radius: Theme.radiusS
                    border.width: option.visualFocus ? 2 : 0
                    border.color: Theme.accent
                }
            }
        }
    }
}
