import QtQuick 2.15
import QtQuick.Controls 2.15
import Skyrig.Theme 1.0

// One place of a binding: shows what is bound ("—" for nothing), red when
// the same input is bound elsewhere, lit while it is being recorded.
AbstractButton {
    id: slot
    property string bound: ""
    property bool conflict: false
    property bool recording: false

    implicitHeight: Theme.s(26)
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    Accessible.role: Accessible.Button
    Accessible.name: bound !== "" ? bound : Core.tr("Unbound", "未绑定")
    ToolTip.text: conflict ? Core.tr("Also bound to another action", "同时绑定了其他动作") : bound
    ToolTip.visible: hovered && ToolTip.text !== ""
    ToolTip.delay: 500

    background: Rectangle {
        radius: Theme.radiusS
        color: slot.recording ? Theme.accentSoft : slot.hovered ? Theme.surfaceHigh : Theme.input
        border.width: slot.recording || slot.conflict || slot.visualFocus ? 2 : 1
        border.color: slot.recording ? Theme.accent : slot.conflict ? Theme.danger
                                                    : slot.visualFocus ? Theme.accent : Theme.border
        opacity: slot.enabled ? 1 : 0.35
    }
    contentItem: Text {
        text: slot.recording ? "…" : slot.bound !== "" ? slot.bound : "—"
        color: slot.conflict ? Theme.danger : slot.bound !== "" ? Theme.text : Theme.textTertiary
        font.pixelSize: Theme.fontSmall
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
        leftPadding: 2
        rightPadding: 2
    }
}
