import QtQuick 2.15
import QtQuick.Controls 2.15
import Skyrig.Theme 1.0

Slider {
    id: control
    property string tip: ""
    implicitHeight: Theme.controlHeight
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    Accessible.name: tip
    ToolTip.text: tip
    ToolTip.visible: hovered && tip !== "" && !pressed
    ToolTip.delay: 600

    background: Rectangle {
        x: control.leftPadding
        y: control.topPadding + control.availableHeight / 2 - height / 2
        width: control.availableWidth
        height: Theme.s(4)
        radius: height / 2
        color: Theme.surfaceHigh
        Rectangle {
            width: control.visualPosition * parent.width
            height: parent.height
            radius: parent.radius
            color: control.enabled ? Theme.accent : Theme.textDisabled
        }
    }
    handle: Rectangle {
        x: control.leftPadding + control.visualPosition * (control.availableWidth - width)
        y: control.topPadding + control.availableHeight / 2 - height / 2
        width: Theme.s(16)
        height: width
        radius: width / 2
        color: control.pressed ? Theme.accentHover : Theme.text
        border.width: control.visualFocus ? 3 : 0
        border.color: Theme.accent
    }
}
