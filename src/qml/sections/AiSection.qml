import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// AI recognition: on/off and the categories to look for.
SectionBase {
    id: sec
    readonly property var st: Core.gimbal
    readonly property var categories: Core.camera ? Core.camera.aiCategories(Core.zh) : []
    // Ticks as the operator set them, starting from the device's configuration.
    property var ticked: st ? st.aiSelectedCategories.slice() : []

    Connections {
        target: Core.gimbal
        ignoreUnknownSignals: true
        function onAiRecognitionConfigChanged() {
            sec.ticked = Core.gimbal.aiSelectedCategories.slice()
            enableSwitch.checked = Core.gimbal.aiRecognitionEnabled
        }
    }

    function setTick(value, on) {
        var t = ticked.filter(function (v) { return v !== value })
        if (on)
            t.push(value)
        t.sort(function (a, b) { return a - b })
        ticked = t
    }
    function apply() {
        var r = ControlRules.aiApply(enableSwitch.checked, ticked, Core.zh)
        if (!r.send) {
            Core.say(r.message)
            return
        }
        if (Core.control)
            Core.control.aiRecognitionSetList(r.enabled, 0, r.categories)
    }

    Card {
        title: Core.tr("Recognition", "目标识别")
        iconName: "ai"
        headerExtra: Chip {
            text: sec.st && sec.st.aiRecognitionEnabled ? Core.tr("On", "已开启") : Core.tr("Off", "已关闭")
            tone: sec.st && sec.st.aiRecognitionEnabled ? Theme.success : Theme.textTertiary
        }
        SkySwitch {
            id: enableSwitch
            objectName: "aiEnable"
            Layout.fillWidth: true
            text: Core.tr("Recognise targets", "开启识别")
            tip: Core.tr("Detect the ticked categories in the picture", "在画面中识别勾选的类别")
            checked: !!sec.st && sec.st.aiRecognitionEnabled
        }
    }
    Card {
        title: Core.tr("Categories", "识别类别")
        iconName: "target"
        GridLayout {
            Layout.fillWidth: true
            columns: 2
            columnSpacing: Theme.gapM
            rowSpacing: 0
            Repeater {
                model: sec.categories
                delegate: SkyCheck {
                    objectName: "aiCat_" + modelData.value
                    Layout.fillWidth: true
                    text: modelData.label
                    checked: sec.ticked.indexOf(modelData.value) >= 0
                    onToggled: sec.setTick(modelData.value, checked)
                }
            }
        }
        SkyButton {
            objectName: "aiApply"
            Layout.fillWidth: true
            kind: "primary"
            iconName: "check"
            text: Core.tr("Apply", "应用")
            tip: Core.tr("Send the recognition setting to the camera", "将识别设置下发到相机")
            onClicked: sec.apply()
        }
    }
}
