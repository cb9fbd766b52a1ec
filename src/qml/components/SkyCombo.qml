import QtQuick 2.15
import QtQuick.Controls 2.15
import Skyrig.Theme 1.0

// Drop-down over a list of option maps ("label", "value", "writeValue") or
// plain strings. Device reports select entries by "value" (`showValue`);
// a choice made by the operator is announced once through `picked`.
ComboBox {
    id: control
    property string tip: ""
    property string accessibleName: tip
    readonly property var entry: currentIndex >= 0 && model && model.length > currentIndex
                                 ? model[currentIndex] : null
    // The device's current value; the entry with this "value" is shown.
    property var reported: undefined
    signal picked(var entry)

    onReportedChanged: if (reported !== undefined) showValue(reported)
    onModelChanged: if (reported !== undefined) showValue(reported)

    function showValue(v) {
        if (!model || model.length === 0)
            return
        for (var i = 0; i < model.length; ++i) {
            if (model[i].value === v) {
                currentIndex = i
                return
            }
        }
        if (currentIndex < 0)
            currentIndex = 0
    }

    textRole: model && model.length > 0 && typeof model[0] === "object" ? "label" : ""
    implicitHeight: Theme.controlHeight
    font.pixelSize: Theme.fontBody
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    Accessible.name: accessibleName
    ToolTip.text: tip
    ToolTip.visible: hovered && tip !== "" && !popup.visible
    ToolTip.delay: 600
    onActivated: picked(entry)

    contentItem: TextInput {
        leftPadding: Theme.gapM
        rightPadding: control.indicator.width + Theme.gapS
        text: control.editable ? control.editText : control.displayText
        enabled: control.editable
        autoScroll: control.editable
        readOnly: control.down
        clip: true
        selectByMouse: true
        inputMethodHints: control.inputMethodHints
        validator: control.validator
        font: control.font
        color: control.enabled ? Theme.text : Theme.textDisabled
        selectionColor: Theme.accentLine
        selectedTextColor: Theme.text
        verticalAlignment: Text.AlignVCenter
    }
    indicator: Icon {
        x: control.width - width - Theme.gapS
        y: (control.height - height) / 2
        name: "chevronDown"
        size: Theme.iconSize * 0.9
        color: control.enabled ? Theme.textSecondary : Theme.textDisabled
        rotation: control.popup.visible ? 180 : 0
        Behavior on rotation { NumberAnimation { duration: Theme.fast } }
    }
    background: Rectangle {
        radius: Theme.radiusM
        color: control.hovered ? Theme.surfaceHigh : Theme.input
        border.width: control.visualFocus || control.popup.visible ? 2 : 1
        border.color: control.visualFocus || control.popup.visible ? Theme.accent : Theme.border
        opacity: control.enabled ? 1 : 0.6
    }
    delegate: ItemDelegate {
        width: control.width
        height: Theme.controlHeight
        highlighted: control.highlightedIndex === index
        contentItem: Text {
            text: control.textRole ? modelData[control.textRole] : modelData
            font: control.font
            color: control.currentIndex === index ? Theme.accent : Theme.text
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }
        background: Rectangle {
            color: highlighted ? Theme.surfaceHigh : "transparent"
            radius: Theme.radiusS
        }
    }
    popup: Popup {
        y: control.height + 2
        width: control.width
        implicitHeight: Math.min(contentItem.implicitHeight + 2 * padding, Theme.s(320))
        padding: Theme.gapXs
        contentItem: ListView {
            clip: true
            implicitHeight: contentHeight
            model: control.popup.visible ? control.delegateModel : null
            currentIndex: control.highlightedIndex
            ScrollIndicator.vertical: ScrollIndicator {}
        }
        background: Rectangle {
            radius: Theme.radiusM
            color: Theme.surfaceRaised
            border.color: Theme.borderStrong
        }
        enter: Transition { NumberAnimation { property: "opacity"; from: 0; to: 1; duration: Theme.fast } }
    }
}
