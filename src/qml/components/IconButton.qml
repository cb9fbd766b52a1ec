import QtQuick 2.15
import QtQuick.Controls 2.15
import Skyrig.Theme 1.0

// Square icon-only button; `tip` is its tool tip and accessible name.
ToolButton {
    id: control
    property string iconName
    property string tip
    property color tint: checked ? Theme.accent : Theme.textSecondary
    property real iconSize: Theme.iconSize
    property bool framed: false

    implicitWidth: Theme.controlHeight
    implicitHeight: Theme.controlHeight
    padding: 0
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    Accessible.name: tip
    ToolTip.text: tip
    ToolTip.visible: hovered && tip !== ""
    ToolTip.delay: 600

    contentItem: Item {
        Icon {
            anchors.centerIn: parent
            name: control.iconName
            size: control.iconSize
            color: control.enabled ? (control.hovered && !control.checked ? Theme.text : control.tint)
                                   : Theme.textDisabled
        }
    }
    background: Rectangle {
        radius: Theme.radiusM
        color: control.checked ? Theme.accentSoft
               : control.down ? Theme.surfaceHigh
               : control.hovered ? Theme.surfaceRaised
               : control.framed ? Theme.surfaceRaised : "transparent"
        border.width: control.visualFocus ? 2 : (control.framed ? 1 : 0)
        border.color: control.visualFocus ? Theme.accent : Theme.border
        Behavior on color { ColorAnimation { duration: Theme.fast } }
    }
}
