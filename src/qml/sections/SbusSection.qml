import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// SBUS: which remote-control channel drives which function.
SectionBase {
    id: sec
    readonly property var st: Core.gimbal
    readonly property var entries: ControlRules.sbusEntries(Core.zh)
    readonly property var functions: [
        { key: "sbusStreamChannel", en: "Stream", zh: "码流切换" },
        { key: "sbusZoomChannel", en: "Zoom", zh: "变焦" },
        { key: "sbusPhotoChannel", en: "Photo", zh: "拍照" },
        { key: "sbusRecordChannel", en: "Record", zh: "录像" },
        { key: "sbusPitchChannel", en: "Pitch", zh: "俯仰" },
        { key: "sbusYawChannel", en: "Yaw", zh: "航向" },
        { key: "sbusCenterChannel", en: "Centre", zh: "回中" },
        { key: "sbusIrPaletteChannel", en: "Thermal palette", zh: "红外伪彩" }
    ]

    function apply() {
        if (!Core.control)
            return
        var v = []
        for (var i = 0; i < channelRepeater.count; ++i)
            v.push(ControlRules.sbusValue(channelRepeater.itemAt(i).combo.currentIndex))
        Core.control.sbusChannelConfig(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7])
    }

    function applyRange() {
        var r = ControlRules.sbusRange(maxSpin.shownText, minSpin.shownText, Core.zh)
        if (!r.ok) {
            Core.say(r.message)
            return
        }
        if (Core.control)
            Core.control.sbusRangeSet(r.max, r.min)
    }

    Card {
        title: Core.tr("Remote control", "遥控")
        iconName: "channels"
        SkySwitch {
            Layout.fillWidth: true
            text: Core.tr("SBUS control", "SBUS 控制")
            tip: Core.tr("Let the remote control steer the camera", "允许遥控器控制相机")
            checked: !!sec.st && sec.st.sbusEnabled
            onToggled: if (Core.control) Core.control.sbusSwitch(checked)
        }
    }
    Card {
        title: Core.tr("Channel mapping", "通道映射")
        iconName: "channels"
        Repeater {
            id: channelRepeater
            model: sec.functions
            delegate: FormRow {
                property alias combo: channelCombo
                label: Core.tr(modelData.en, modelData.zh)
                SkyCombo {
                    id: channelCombo
                    objectName: "sbus_" + index
                    Layout.fillWidth: true
                    model: sec.entries
                    reported: sec.st ? ControlRules.sbusIndex(sec.st[modelData.key]) : 16
                    tip: Core.tr("Channel for ", "通道：") + Core.tr(modelData.en, modelData.zh)
                }
            }
        }
        SkyButton {
            objectName: "sbusApply"
            Layout.fillWidth: true
            kind: "primary"
            iconName: "check"
            text: Core.tr("Apply mapping", "应用映射")
            tip: Core.tr("Send the channel mapping to the camera", "将通道映射下发到相机")
            onClicked: sec.apply()
        }
    }
    Card {
        visible: !!Core.camera && Core.camera.hasSbusRange
        title: Core.tr("Stick range", "行程范围")
        iconName: "channels"
        FormRow {
            label: Core.tr("Maximum", "最大值")
            SkySpin { id: maxSpin; objectName: "sbusMaxSpin"; Layout.fillWidth: true; decimals: 0; stepSize: 1; from: 0; to: 2047
                      value: sec.st ? sec.st.sbusMax : 0; tip: Core.tr("Stick maximum", "行程最大值") }
        }
        FormRow {
            label: Core.tr("Minimum", "最小值")
            SkySpin { id: minSpin; objectName: "sbusMinSpin"; Layout.fillWidth: true; decimals: 0; stepSize: 1; from: 0; to: 2047
                      value: sec.st ? sec.st.sbusMin : 0; tip: Core.tr("Stick minimum", "行程最小值") }
        }
        // A minimum above the maximum is refused here, before anything is sent.
        Text {
            objectName: "sbusRangeProblem"
            readonly property var check: ControlRules.sbusRange(maxSpin.shownText, minSpin.shownText, Core.zh)
            visible: !check.ok
            text: check.ok ? "" : check.message
            color: Theme.danger
            font.pixelSize: Theme.fontSmall
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        SkyButton {
            objectName: "sbusRangeApply"
            Layout.fillWidth: true
            text: Core.tr("Apply range", "应用范围")
            tip: Core.tr("Send the stick range to the camera", "将行程范围下发到相机")
            onClicked: sec.applyRange()
        }
    }
}
