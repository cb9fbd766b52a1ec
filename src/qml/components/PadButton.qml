import QtQuick 2.15
import QtQuick.Controls 2.15
import Skyrig.Theme 1.0

// One button of the direction pad: moves while held (mouse, touch or the
// space bar when focused) through the shared MoveRepeater.
AbstractButton {
    id: pad
    property string move
    property string iconName
    property string tip
    property var mover
    property bool hold: true

    implicitWidth: Theme.s(56)
    implicitHeight: Theme.s(56)
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    Accessible.role: Accessible.Button
    Accessible.name: tip
    ToolTip.text: tip
    ToolTip.visible: hovered && !pressed
    ToolTip.delay: 700

    onPressed: if (hold && mover) mover.begin(move)
    onReleased: if (hold && mover) mover.end()
    onCanceled: if (hold && mover) mover.end()
    onClicked: if (!hold && mover) mover.once(move)

    background: Rectangle {
        radius: Theme.radiusL
        color: pad.pressed ? Theme.accent : pad.hovered ? Theme.surfaceHigh : Theme.surface
        border.width: pad.visualFocus ? 2 : 1
        border.color: pad.visualFocus ? Theme.accent : pad.pressed ? Theme.accent : Theme.border
        opacity: pad.enabled ? 1 : 0.5
        Behavior on color { ColorAnimation { duration: 80 } }
    }
    contentItem: Item {
        Icon {
            anchors.centerIn: parent
            name: pad.iconName
            size: Theme.iconSize * 1.35
            strokeWidth: 2.2
            color: pad.pressed ? Theme.textOnAccent : pad.enabled ? Theme.text : Theme.textDisabled
        }
    }
}
