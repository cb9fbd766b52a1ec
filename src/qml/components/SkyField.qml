import QtQuick 2.15
import QtQuick.Controls 2.15
import Skyrig.Theme 1.0

TextField {
    id: control
    property string tip: ""
    property bool invalid: false
    // A short note at the right end of the field (the room left, a unit).
    property string suffix: ""
    implicitHeight: Theme.controlHeight
    font.pixelSize: Theme.fontBody
    color: enabled ? Theme.text : Theme.textDisabled
    placeholderTextColor: Theme.textTertiary
    selectionColor: Theme.accentLine
    selectedTextColor: Theme.text
    selectByMouse: true
    leftPadding: Theme.gapM
    rightPadding: Theme.gapM + (suffix !== "" ? suffixText.implicitWidth + Theme.gapS : 0)
    hoverEnabled: true
    Accessible.name: tip !== "" ? tip : placeholderText
    ToolTip.text: tip
    ToolTip.visible: hovered && tip !== "" && !activeFocus
    ToolTip.delay: 600
    Text {
        id: suffixText
        objectName: "fieldSuffix"
        visible: control.suffix !== ""
        anchors.right: parent.right
        anchors.rightMargin: Theme.gapM
        anchors.verticalCenter: parent.verticalCenter
        text: control.suffix
        color: Theme.textTertiary
        font.pixelSize: Theme.fontSmall
    }
    background: Rectangle {
        radius: Theme.radiusM
        color: control.hovered && !control.activeFocus ? Theme.surfaceRaised : Theme.input
        border.width: control.activeFocus || control.invalid ? 2 : 1
        border.color: control.invalid ? Theme.danger
                      : control.activeFocus ? Theme.accent : Theme.border
        opacity: control.enabled ? 1 : 0.6
    }
}
