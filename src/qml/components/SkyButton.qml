import QtQuick 2.15
import QtQuick.Controls 2.15
import Skyrig.Theme 1.0

// Text button with an optional icon. `kind`: "primary", "secondary", "ghost"
// or "danger"; `tip` becomes the tool tip and, without a text, the
// accessible name.
Button {
    id: control
    property string kind: "secondary"
    property string iconName: ""
    property string tip: ""
    property color tint: kind === "primary" ? Theme.textOnAccent
                        : kind === "danger" ? Theme.danger : Theme.text

    implicitHeight: Theme.controlHeight
    implicitWidth: Math.max(implicitHeight, contentItem.implicitWidth + leftPadding + rightPadding)
    leftPadding: text ? Theme.gapM : Theme.gapS
    rightPadding: leftPadding
    topPadding: 0
    bottomPadding: 0
    font.pixelSize: Theme.fontBody
    font.weight: kind === "primary" ? Font.DemiBold : Font.Medium
    focusPolicy: Qt.StrongFocus
    hoverEnabled: true

    Accessible.name: text !== "" ? text : tip
    Accessible.description: tip
    ToolTip.text: tip !== "" ? tip : text
    ToolTip.visible: hovered && ToolTip.text !== ""
    ToolTip.delay: 600

    contentItem: Row {
        spacing: Theme.gapS
        opacity: control.enabled ? 1 : 0.45
        Icon {
            visible: control.iconName !== ""
            name: control.iconName
            color: control.tint
            size: Theme.iconSize
            anchors.verticalCenter: parent.verticalCenter
        }
        Text {
            visible: control.text !== ""
            text: control.text
            font: control.font
            color: control.tint
            elide: Text.ElideRight
            anchors.verticalCenter: parent.verticalCenter
        }
    }

    background: Rectangle {
        radius: Theme.radiusM
        color: {
            if (control.kind === "primary")
                return control.down ? Theme.accentPressed
                                    : control.hovered ? Theme.accentHover : Theme.accent
            if (control.kind === "danger")
                return control.down ? Qt.rgba(1, 0.36, 0.43, 0.28)
                                    : control.hovered ? Qt.rgba(1, 0.36, 0.43, 0.2) : Theme.dangerSoft
            if (control.kind === "ghost")
                return control.down ? Theme.surfaceHigh
                                    : control.hovered ? Theme.surfaceRaised : "transparent"
            return control.checked ? Theme.accentSoft
                   : control.down ? Theme.borderStrong
                   : control.hovered ? Theme.surfaceHigh : Theme.surfaceRaised
        }
        border.width: control.visualFocus ? 2 : (control.kind === "secondary" ? 1 : 0)
        border.color: control.visualFocus ? Theme.accent
                      : control.checked ? Theme.accentLine : Theme.border
        opacity: control.enabled ? 1 : 0.55
        Behavior on color { ColorAnimation { duration: Theme.fast } }
    }
}
