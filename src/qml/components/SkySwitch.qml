import QtQuick 2.15
import QtQuick.Controls 2.15
import Skyrig.Theme 1.0

// On/off switch with its label on the left, filling the row.
Switch {
    id: control
    property string tip: ""
    implicitHeight: Theme.controlHeight
    font.pixelSize: Theme.fontBody
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    leftPadding: 0
    rightPadding: 0
    Accessible.name: text !== "" ? text : tip
    Accessible.description: tip
    ToolTip.text: tip !== "" ? tip : text
    ToolTip.visible: hovered && ToolTip.text !== ""
    ToolTip.delay: 600

    indicator: Rectangle {
        implicitWidth: Theme.s(40)
        implicitHeight: Theme.s(22)
        x: control.width - width - control.rightPadding
        y: (control.height - height) / 2
        radius: height / 2
        color: control.checked ? Theme.accent : Theme.surfaceHigh
        border.width: control.visualFocus ? 2 : 1
        border.color: control.visualFocus ? Theme.accentHover
                      : control.checked ? Theme.accent : Theme.borderStrong
        opacity: control.enabled ? 1 : 0.5
        Behavior on color { ColorAnimation { duration: Theme.fast } }
        Rectangle {
            width: parent.height - Theme.s(6)
            height: width
            radius: width / 2
            y: Theme.s(3)
            x: control.checked ? parent.width - width - Theme.s(3) : Theme.s(3)
            color: control.checked ? Theme.textOnAccent : Theme.textSecondary
            Behavior on x { NumberAnimation { duration: Theme.fast; easing.type: Easing.OutCubic } }
        }
    }
    contentItem: Text {
        text: control.text
        font: control.font
        color: control.enabled ? Theme.text : Theme.textDisabled
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
        rightPadding: control.indicator.width + Theme.gapS
    }
}
