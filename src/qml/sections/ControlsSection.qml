import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// Controls: the game controllers the program sees, live; every binding of
// keys and controllers (click a slot, then press the key or move the
// control); the stick response and the speeds. Kept per product.
SectionBase {
    id: sec
    needsLink: false
    readonly property var inp: Core.inputs
    readonly property var devices: inp ? inp.devices : []
    readonly property var actions: inp ? inp.actions : []

    Component.onCompleted: if (inp) inp.watching = true
    // Leaving the section ends a recording and stops whatever moves.
    Component.onDestruction: if (inp) inp.sectionClosed()

    function percent(v) { return Math.round(v * 100) + " %" }

    Card {
        objectName: "controllersCard"
        title: Core.tr("Game controllers", "游戏手柄")
        subtitle: sec.inp ? sec.inp.gamepadStatus : ""
        iconName: "gamepad"

        Repeater {
            model: sec.devices
            delegate: ColumnLayout {
                id: device
                readonly property var info: modelData
                Layout.fillWidth: true
                spacing: Theme.gapXs
                Text {
                    Layout.fillWidth: true
                    text: device.info.name + (device.info.virtual ? Core.tr(" (virtual)", "（虚拟）") : "")
                    textFormat: Text.PlainText
                    color: Theme.text
                    font.pixelSize: Theme.fontBody
                    font.weight: Font.DemiBold
                    elide: Text.ElideRight
                }
                Repeater {
                    model: device.info.notes
                    delegate: Text {
                        objectName: "controllerNote"
                        Layout.fillWidth: true
                        text: modelData
                        textFormat: Text.PlainText
                        color: Theme.warning
                        font.pixelSize: Theme.fontSmall
                        elide: Text.ElideRight
                        HoverHandler { id: noteHover }
                        ToolTip.text: text
                        ToolTip.visible: noteHover.hovered && truncated
                    }
                }
                Repeater {
                    model: device.info.axes
                    delegate: RowLayout {
                        readonly property var axis: modelData
                        Layout.fillWidth: true
                        spacing: Theme.gapS
                        Text {
                            Layout.preferredWidth: Theme.s(104)
                            text: axis.label
                            color: Theme.textSecondary
                            font.pixelSize: Theme.fontSmall
                            elide: Text.ElideRight
                        }
                        // Sticks from the middle, triggers from the left.
                        Rectangle {
                            id: track
                            Layout.preferredWidth: Theme.s(72)
                            height: Theme.s(6)
                            radius: height / 2
                            color: Theme.surfaceHigh
                            readonly property real shown: axis.state === "live" ? axis.value : axis.raw
                            Rectangle {
                                readonly property real origin: axis.trigger ? 0 : track.width / 2
                                readonly property real reach: axis.trigger ? track.width : track.width / 2
                                x: Math.min(origin, origin + track.shown * reach)
                                width: Math.abs(track.shown * reach)
                                height: parent.height
                                radius: parent.radius
                                color: axis.state === "live" ? Theme.accent : Theme.warning
                            }
                        }
                        Text {
                            Layout.preferredWidth: Theme.s(40)
                            text: Number(axis.state === "live" ? axis.value : axis.raw).toFixed(2)
                            color: Theme.textSecondary
                            font.pixelSize: Theme.fontSmall
                            font.family: Theme.monoFamily
                            horizontalAlignment: Text.AlignRight
                        }
                        Text {
                            Layout.fillWidth: true
                            text: axis.bound !== "" ? axis.bound : "—"
                            color: axis.bound !== "" ? Theme.text : Theme.textTertiary
                            font.pixelSize: Theme.fontSmall
                            elide: Text.ElideRight
                        }
                    }
                }
                GridLayout {
                    Layout.fillWidth: true
                    columns: 7
                    columnSpacing: Theme.gapXs
                    rowSpacing: Theme.gapXs
                    Repeater {
                        model: device.info.buttons
                        delegate: Rectangle {
                            readonly property var button: modelData
                            Layout.fillWidth: true
                            implicitHeight: Theme.s(22)
                            radius: Theme.radiusS
                            color: button.down ? Theme.accent : Theme.surfaceHigh
                            border.color: button.bound !== "" ? Theme.accentLine : Theme.border
                            Text {
                                anchors.fill: parent
                                anchors.margins: 2
                                text: button.name
                                color: button.down ? Theme.textOnAccent : button.bound !== "" ? Theme.text : Theme.textTertiary
                                font.pixelSize: Theme.fontCaption
                                horizontalAlignment: Text.AlignHCenter
                                verticalAlignment: Text.AlignVCenter
                                elide: Text.ElideRight
                            }
                            HoverHandler { id: buttonHover }
                            ToolTip.text: button.label + (button.bound !== "" ? " → " + button.bound : "")
                            ToolTip.visible: buttonHover.hovered
                            ToolTip.delay: 300
                        }
                    }
                }
            }
        }
    }

    Card {
        objectName: "bindingsCard"
        title: Core.tr("Bindings", "按键绑定")
        subtitle: Core.tr("Click a slot, then press the key or move the controller's button or stick. Esc cancels.",
                          "点击一个位置，然后按下按键或操作手柄按键、摇杆。Esc 取消。")
        iconName: "keyboard"

        // While a binding is being recorded.
        RowLayout {
            Layout.fillWidth: true
            visible: !!sec.inp && sec.inp.capturing
            spacing: Theme.gapS
            Text {
                objectName: "captureHint"
                Layout.fillWidth: true
                text: {
                    if (!sec.inp || !sec.inp.capturing)
                        return ""
                    var label = ""
                    for (var i = 0; i < sec.actions.length; ++i) {
                        if (sec.actions[i].name === sec.inp.captureAction)
                            label = sec.actions[i].label
                    }
                    return sec.inp.captureSlot >= 0 ? Core.tr("Press a key for “%1”…", "请按下「%1」的按键…").arg(label)
                                                    : Core.tr("Press a button or move a stick for “%1”…", "请按下手柄按键或推动摇杆：「%1」…").arg(label)
                }
                color: Theme.accent
                font.pixelSize: Theme.fontBody
                elide: Text.ElideRight
            }
            SkyButton {
                text: Core.tr("Clear", "清除")
                tip: Core.tr("Leave this slot unbound", "清除此处的绑定")
                onClicked: {
                    var action = sec.inp.captureAction
                    var slot = sec.inp.captureSlot
                    sec.inp.cancelCapture()
                    if (slot >= 0)
                        sec.inp.setKeyBinding(action, slot, "")
                    else
                        sec.inp.setGamepadBinding(action, "")
                }
            }
            SkyButton {
                text: Core.tr("Cancel", "取消")
                onClicked: sec.inp.cancelCapture()
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.gapXs
            Text { Layout.fillWidth: true; text: Core.tr("Action", "动作"); color: Theme.textTertiary; font.pixelSize: Theme.fontSmall }
            Text { Layout.preferredWidth: Theme.s(64); text: Core.tr("Key", "按键"); color: Theme.textTertiary; font.pixelSize: Theme.fontSmall }
            Text { Layout.preferredWidth: Theme.s(64); text: Core.tr("Key 2", "按键 2"); color: Theme.textTertiary; font.pixelSize: Theme.fontSmall }
            Text { Layout.preferredWidth: Theme.s(96); text: Core.tr("Controller", "手柄"); color: Theme.textTertiary; font.pixelSize: Theme.fontSmall }
        }

        Repeater {
            model: sec.actions
            delegate: RowLayout {
                id: row
                readonly property var action: modelData
                Layout.fillWidth: true
                spacing: Theme.gapXs
                Text {
                    Layout.fillWidth: true
                    text: row.action.label
                    color: Theme.text
                    font.pixelSize: Theme.fontSmall
                    elide: Text.ElideRight
                }
                Repeater {
                    model: 2
                    delegate: BindingSlot {
                        objectName: "keySlot_" + row.action.name + "_" + index
                        Layout.preferredWidth: Theme.s(64)
                        enabled: row.action.kind !== "axis"
                        bound: row.action.keys[index]
                        conflict: row.action.keyConflicts[index]
                        recording: !!sec.inp && sec.inp.capturing && sec.inp.captureAction === row.action.name
                                   && sec.inp.captureSlot === index
                        onClicked: sec.inp.captureKey(row.action.name, index)
                    }
                }
                BindingSlot {
                    objectName: "padSlot_" + row.action.name
                    Layout.preferredWidth: Theme.s(96)
                    bound: row.action.gamepad
                    conflict: row.action.gamepadConflict
                    recording: !!sec.inp && sec.inp.capturing && sec.inp.captureAction === row.action.name
                               && sec.inp.captureSlot < 0
                    onClicked: sec.inp.captureGamepad(row.action.name)
                }
            }
        }

        Repeater {
            model: sec.inp ? sec.inp.conflicts : []
            delegate: Text {
                objectName: "bindingConflict"
                Layout.fillWidth: true
                text: modelData
                textFormat: Text.PlainText
                color: Theme.danger
                font.pixelSize: Theme.fontSmall
                elide: Text.ElideRight
            }
        }

        SkyButton {
            objectName: "resetBindings"
            Layout.fillWidth: true
            iconName: "refresh"
            text: Core.tr("Reset to defaults", "恢复默认")
            tip: Core.tr("Every binding and setting of this section back to its default", "本页所有绑定和设置恢复默认")
            onClicked: sec.inp.resetDefaults()
        }
    }

    Card {
        title: Core.tr("Stick and speed", "摇杆与速度")
        subtitle: Core.tr("Shift (keyboard) or the fine-aim button slows any steering.",
                          "按住 Shift（键盘）或精细瞄准键可减慢任何操控。")
        iconName: "gimbal"
        FormRow {
            label: Core.tr("Dead zone", "死区")
            SkySlider {
                objectName: "deadZone"
                Layout.fillWidth: true
                from: 0; to: 0.5; stepSize: 0.01
                value: sec.inp ? sec.inp.deadZone : 0.1
                tip: Core.tr("Stick travel around the centre that does nothing", "摇杆中心附近不起作用的行程")
                onMoved: sec.inp.deadZone = value
            }
            Text { text: sec.percent(sec.inp ? sec.inp.deadZone : 0); color: Theme.text; font.pixelSize: Theme.fontBody; Layout.preferredWidth: Theme.s(44); horizontalAlignment: Text.AlignRight }
        }
        FormRow {
            label: Core.tr("Response", "响应曲线")
            SkySlider {
                objectName: "curve"
                Layout.fillWidth: true
                from: 0; to: 1; stepSize: 0.05
                value: sec.inp ? sec.inp.curve : 0.3
                tip: Core.tr("Linear to strongly exponential: finer control near the centre", "从线性到强指数：中心附近更精细")
                onMoved: sec.inp.curve = value
            }
            Text { text: sec.percent(sec.inp ? sec.inp.curve : 0); color: Theme.text; font.pixelSize: Theme.fontBody; Layout.preferredWidth: Theme.s(44); horizontalAlignment: Text.AlignRight }
        }
        FormRow {
            label: Core.tr("Top speed", "最高速度")
            SkySlider {
                Layout.fillWidth: true
                from: 5; to: 150; stepSize: 1
                value: sec.inp ? sec.inp.topSpeed : 90
                tip: Core.tr("Gimbal speed at full stick", "摇杆推到底时的云台速度")
                onMoved: sec.inp.topSpeed = value
            }
            Text { text: sec.inp ? sec.inp.topSpeed : ""; color: Theme.text; font.pixelSize: Theme.fontBody; Layout.preferredWidth: Theme.s(44); horizontalAlignment: Text.AlignRight }
        }
        FormRow {
            label: Core.tr("Key speed", "按键速度")
            SkySlider {
                Layout.fillWidth: true
                from: 5; to: 150; stepSize: 1
                value: sec.inp ? sec.inp.keySpeed : 30
                tip: Core.tr("Gimbal speed for keys, the pad and the d-pad", "键盘、方向按钮和十字键的云台速度")
                onMoved: sec.inp.keySpeed = value
            }
            Text { text: sec.inp ? sec.inp.keySpeed : ""; color: Theme.text; font.pixelSize: Theme.fontBody; Layout.preferredWidth: Theme.s(44); horizontalAlignment: Text.AlignRight }
        }
        SkySwitch {
            Layout.fillWidth: true
            text: Core.tr("Invert yaw", "航向反向")
            checked: !!sec.inp && sec.inp.invertYaw
            onToggled: sec.inp.invertYaw = checked
        }
        SkySwitch {
            Layout.fillWidth: true
            text: Core.tr("Invert pitch", "俯仰反向")
            checked: !!sec.inp && sec.inp.invertPitch
            onToggled: sec.inp.invertPitch = checked
        }
        SkySwitch {
            Layout.fillWidth: true
            text: Core.tr("Slower when zoomed in", "放大时减慢")
            tip: Core.tr("Divide the speed by the zoom, so the picture moves at the same pace at any zoom",
                         "速度除以变焦倍数，使画面在任何倍数下移动速度一致")
            checked: !!sec.inp && sec.inp.zoomScaling
            onToggled: sec.inp.zoomScaling = checked
        }
    }
}
