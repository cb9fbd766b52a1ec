import QtQuick 2.15
import QtQuick.Controls 2.15
import Skyrig.Theme 1.0

// Number field in hundredths (value 1234 shows 12.34). `shownText` is what
// the field shows or the operator is typing, so "-0.00" keeps its sign.
SpinBox {
    id: control
    property string tip: ""
    property int decimals: 2
    readonly property real factor: Math.pow(10, decimals)
    readonly property string shownText: contentItem.text

    editable: true
    stepSize: 100
    implicitHeight: Theme.controlHeight
    font.pixelSize: Theme.fontBody
    hoverEnabled: true
    Accessible.name: tip
    ToolTip.text: tip
    ToolTip.visible: hovered && tip !== "" && !activeFocus
    ToolTip.delay: 600

    validator: RegularExpressionValidator { regularExpression: /-?[0-9]{0,4}([.][0-9]{0,2})?/ }
    textFromValue: function (value, locale) { return (value / control.factor).toFixed(control.decimals) }
    valueFromText: function (text, locale) {
        var n = Number(text)
        return isNaN(n) ? control.value : Math.round(n * control.factor)
    }

    contentItem: TextInput {
        text: control.displayText
        font: control.font
        color: control.enabled ? Theme.text : Theme.textDisabled
        selectionColor: Theme.accentLine
        horizontalAlignment: Qt.AlignHCenter
        verticalAlignment: Qt.AlignVCenter
        readOnly: !control.editable
        validator: control.validator
        inputMethodHints: Qt.ImhFormattedNumbersOnly
        selectByMouse: true
    }
    up.indicator: Rectangle {
        x: control.width - width
        height: control.height
        width: height
        radius: Theme.radiusM
        color: control.up.pressed ? Theme.surfaceHigh : "transparent"
        Icon { anchors.centerIn: parent; name: "plus"; size: Theme.iconSize * 0.8; color: Theme.textSecondary }
    }
    down.indicator: Rectangle {
        x: 0
        height: control.height
        width: height
        radius: Theme.radiusM
        color: control.down.pressed ? Theme.surfaceHigh : "transparent"
        Icon { anchors.centerIn: parent; name: "minus"; size: Theme.iconSize * 0.8; color: Theme.textSecondary }
    }
    background: Rectangle {
        radius: Theme.radiusM
        color: Theme.input
        border.width: control.activeFocus ? 2 : 1
        border.color: control.activeFocus ? Theme.accent : Theme.border
    }
}
