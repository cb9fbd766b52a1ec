import QtQuick 2.15
import QtQuick.Controls 2.15
import Skyrig.Theme 1.0

// Number field in hundredths (value 1234 shows 12.34). `shownText` is what
// the field shows or the operator is typing, so "-0.00" keeps its sign. A
// field the operator emptied stays empty (it is not taken as 0), and a
// number beyond the range is shown at the limit with `clamped` telling so.
SpinBox {
    id: control
    property string tip: ""
    property int decimals: 2
    readonly property real factor: Math.pow(10, decimals)
    readonly property string shownText: contentItem.text
    // The operator emptied the field; it stays empty until a number comes.
    property bool blank: false
    // The operator's number was beyond the range; the field now shows the limit.
    signal clamped(string typed)
    onValueChanged: blank = false

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
        var t = String(text).trim()
        var n = Number(t)
        control.blank = t === ""
        if (t === "" || isNaN(n))
            return control.value
        var v = Math.round(n * control.factor)
        if (v < Math.min(control.from, control.to) || v > Math.max(control.from, control.to))
            control.clamped(t)
        return v
    }

    contentItem: TextInput {
        text: control.blank ? "" : control.displayText
        // Only emptying is noted here: a number typed into an empty field must
        // not make the field show the old value while it is being typed.
        onTextEdited: if (text.trim() === "") control.blank = true
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
