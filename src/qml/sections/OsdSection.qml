import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// OSD: which overlay items the camera burns into its picture, where and in
// which colour, and the three custom texts.
SectionBase {
    id: sec
    readonly property var st: Core.gimbal
    readonly property var positions: [
        { label: Core.tr("Top Left", "左上"), value: 1 }, { label: Core.tr("Bottom Left", "左下"), value: 2 },
        { label: Core.tr("Top Right", "右上"), value: 3 }, { label: Core.tr("Bottom Right", "右下"), value: 4 }
    ]
    readonly property var colours: [{ label: Core.tr("White", "白色"), value: 1 }, { label: Core.tr("Red", "红色"), value: 2 }]
    readonly property var current: {
        var item = itemCombo.entry ? itemCombo.entry.value : 0
        var list = st ? st.osdConfigs : []
        for (var i = 0; i < list.length; ++i) {
            if (list[i].item === item)
                return list[i]
        }
        return null
    }

    Card {
        title: Core.tr("Overlay item", "叠加项")
        iconName: "osd"
        FormRow {
            label: Core.tr("Item", "项目")
            SkyCombo {
                id: itemCombo
                objectName: "osdItem"
                Layout.fillWidth: true
                model: Core.camera ? Core.camera.osdItems(Core.zh) : []
                tip: Core.tr("Overlay item", "叠加项")
            }
        }
        SkySwitch {
            id: osdEnable
            Layout.fillWidth: true
            text: Core.tr("Show", "显示")
            tip: Core.tr("Show this item in the camera picture", "在相机画面中显示该项")
            checked: !!sec.current && sec.current.enabled
        }
        FormRow {
            label: Core.tr("Position", "位置")
            SkyCombo {
                id: posCombo
                objectName: "osdPosition"
                Layout.fillWidth: true
                model: sec.positions
                reported: sec.current ? sec.current.position : undefined
                tip: Core.tr("Position", "位置")
            }
        }
        FormRow {
            label: Core.tr("Colour", "颜色")
            SkyCombo {
                id: colourCombo
                objectName: "osdColour"
                Layout.fillWidth: true
                model: sec.colours
                reported: sec.current ? sec.current.color : undefined
                tip: Core.tr("Colour", "颜色")
            }
        }
        SkyButton {
            Layout.fillWidth: true
            kind: "primary"
            iconName: "check"
            text: Core.tr("Apply", "应用")
            tip: Core.tr("Send the overlay setting to the camera", "将叠加设置下发到相机")
            enabled: !!itemCombo.entry
            onClicked: if (Core.control) Core.control.osdConfigSet(itemCombo.entry.value, osdEnable.checked ? 1 : 0,
                                                                   posCombo.entry.value, colourCombo.entry.value)
        }
    }
    Card {
        title: Core.tr("Custom texts", "自定义文字")
        iconName: "osd"
        Repeater {
            model: 3
            delegate: FormRow {
                label: Core.tr("Text ", "文字 ") + (index + 1)
                // The camera receives 64 bytes: the field counts them (a
                // Chinese character takes three), keeps whole characters
                // and shows the room left.
                SkyField {
                    id: textField
                    objectName: "osdText" + (index + 1)
                    readonly property int room: ControlRules.osdTextBytes - ControlRules.utf8Length(text)
                    Layout.fillWidth: true
                    tip: Core.tr("Custom overlay text ", "自定义叠加文字 ") + (index + 1)
                    suffix: Core.tr("%1 left", "剩 %1").arg(room)
                    onTextChanged: {
                        var fitted = ControlRules.fitUtf8(text, ControlRules.osdTextBytes)
                        if (fitted !== text) {
                            var at = Math.min(cursorPosition, fitted.length)
                            text = fitted
                            cursorPosition = at
                        }
                    }
                }
                SkyButton {
                    text: Core.tr("Set", "设置")
                    tip: Core.tr("Send custom text ", "下发自定义文字 ") + (index + 1)
                    onClicked: if (Core.control) Core.control.osdCustomTextSet(index + 1, textField.text)
                }
            }
        }
        SkySwitch {
            Layout.fillWidth: true
            text: Core.tr("Watermark", "水印")
            tip: Core.tr("Burn the watermark into photos and videos", "在照片和录像中加水印")
            checked: !!sec.st && sec.st.osdWatermarkEnabled
            onToggled: if (Core.control) Core.control.osdWatermarkSwitch(checked)
        }
    }
}
