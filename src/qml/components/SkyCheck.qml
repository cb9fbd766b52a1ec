import QtQuick 2.15
import QtQuick.Controls 2.15
import Skyrig.Theme 1.0

CheckBox {
    id: control
    property string tip: ""
    implicitHeight: Theme.controlHeight
    font.pixelSize: Theme.fontBody
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    padding: 0
    Accessible.name: text !== "" ? text : tip
    ToolTip.text: tip !== "" ? tip : text
    ToolTip.visible: hovered && ToolTip.text !== ""
    ToolTip.delay: 600

    indicator: Rectangle {
        implicitWidth: Theme.s(18)
        implicitHeight: Theme.s(18)
        x: 0
        y: (control.height - height) / 2
        radius: Theme.radiusS * 0.7
        color: control.checked ? Theme.accent : Theme.input
        border.width: control.visualFocus ? 2 : 1
        border.color: control.visualFocus ? Theme.accentHover
                      : control.checked ? Theme.accent : Theme.borderStrong
        Icon {
            anchors.centerIn: parent
            visible: control.checked
            name: "check"
            size: parent.width * 0.85
            strokeWidth: 2.6
            color: Theme.textOnAccent
        }
    }
    contentItem: Text {
        leftPadding: control.indicator.width + Theme.gapS
        text: control.text
        font: control.font
        color: control.enabled ? Theme.text : Theme.textDisabled
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
}
