import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// Device: versions, serial number, core temperature, UART protocol and the
// firmware upgrade.
SectionBase {
    id: sec
    readonly property var st: Core.gimbal
    readonly property var cam: Core.camera
    readonly property var up: Core.upgrade
    readonly property bool versionKnown: !!st && st.cameraVersion !== ""
    // How the last upgrade attempt ended (kept by the control panel): 1
    // started on the camera, -1 failed, 0 none yet or one under way.
    property int upgradeOutcome: 0

    Card {
        title: Core.tr("Versions", "版本信息")
        iconName: "device"
        GridLayout {
            Layout.fillWidth: true
            columns: 2
            columnSpacing: Theme.gapS
            rowSpacing: Theme.gapS
            ValueTile { objectName: "gimbalVersion"; caption: Core.tr("Gimbal firmware", "云台固件")
                        value: ControlRules.textOrDash(sec.st ? sec.st.gimbalSwVersion : "") }
            ValueTile { caption: Core.tr("Gimbal hardware", "云台硬件")
                        value: ControlRules.textOrDash(sec.st ? sec.st.gimbalHwVersion : "") }
            ValueTile { objectName: "cameraVersion"; caption: Core.tr("Camera", "相机")
                        value: ControlRules.textOrDash(sec.st ? sec.st.cameraVersion : "") }
            ValueTile { caption: Core.tr("Kernel", "内核")
                        value: ControlRules.textOrDash(sec.st ? sec.st.kernelVersion : "") }
            ValueTile { objectName: "deviceSn"; caption: Core.tr("Serial number", "序列号")
                        Layout.columnSpan: 2
                        value: ControlRules.textOrDash(sec.st ? sec.st.deviceSn : "") }
            ValueTile { objectName: "coreTemp"; caption: Core.tr("Core temperature", "核心温度")
                        value: ControlRules.tempText(sec.st ? sec.st.coreTemp : 0, sec.versionKnown || (!!sec.st && sec.st.coreTemp !== 0)) }
        }
    }

    Card {
        visible: !!sec.cam && sec.cam.hasUartProtocolConfig
        title: Core.tr("UART protocol", "串口协议")
        iconName: "serial"
        FormRow {
            label: Core.tr("Protocol", "协议")
            SkyCombo {
                id: uartCombo
                objectName: "uartProtocol"
                Layout.fillWidth: true
                model: ControlRules.uartProtocols(Core.zh)
                reported: sec.st && sec.st.uartProtocol >= 0 ? sec.st.uartProtocol : undefined
                tip: Core.tr("UART protocol", "串口协议")
            }
            SkyButton {
                objectName: "uartProtocolSet"
                text: Core.tr("Set", "设置")
                tip: Core.tr("Switch the camera's UART protocol", "切换相机串口协议")
                enabled: !!uartCombo.entry
                onClicked: if (Core.control) Core.control.uartProtocolSet(uartCombo.entry.value)
            }
        }
    }

    Card {
        objectName: "upgradeCard"
        visible: !!sec.cam && sec.cam.hasHttpFirmwareUpgrade
        title: Core.tr("Firmware upgrade", "固件升级")
        subtitle: sec.cam ? Core.tr("Package name: ", "升级包名称：") + sec.cam.firmwareUpgradeFileNameHint(Core.zh) : ""
        iconName: "upload"
        Text {
            Layout.fillWidth: true
            text: sec.up ? (sec.up.fileName !== "" ? sec.up.fileName : Core.tr("No package chosen", "未选择升级包"))
                         : Core.tr("Firmware upgrade is not available in this build", "当前版本不支持固件升级")
            textFormat: Text.PlainText
            color: Theme.textSecondary
            font.pixelSize: Theme.fontBody
            elide: Text.ElideMiddle
        }
        ProgressBar {
            id: progress
            Layout.fillWidth: true
            from: 0
            to: 100
            value: sec.up ? sec.up.progress : 0
            Accessible.name: Core.tr("Upgrade progress", "升级进度")
            background: Rectangle { implicitHeight: Theme.s(6); radius: height / 2; color: Theme.surfaceHigh }
            contentItem: Item {
                Rectangle {
                    width: progress.visualPosition * parent.width
                    height: parent.height
                    radius: height / 2
                    color: Theme.accent
                }
            }
        }
        // Two lines at most, always two lines high: a height that followed
        // the wrapping would loop through the card's layout. The tool tip
        // holds the whole text.
        Text {
            id: upgradeStatus
            objectName: "upgradeStatus"
            Layout.fillWidth: true
            Layout.preferredHeight: Math.ceil(statusMetrics.height * 2)
            text: sec.up ? sec.up.statusMessage : ""
            textFormat: Text.PlainText
            color: sec.upgradeOutcome > 0 ? Theme.success : sec.upgradeOutcome < 0 ? Theme.danger : Theme.textTertiary
            font.pixelSize: Theme.fontSmall
            wrapMode: Text.WordWrap
            maximumLineCount: 2
            elide: Text.ElideRight
            FontMetrics { id: statusMetrics; font: upgradeStatus.font }
            HoverHandler { id: statusHover }
            ToolTip.text: text
            ToolTip.visible: statusHover.hovered && truncated
            ToolTip.delay: 500
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.gapS
            SkyButton {
                objectName: "upgradeChoose"
                Layout.fillWidth: true
                iconName: "folder"
                text: Core.tr("Choose…", "选择…")
                tip: Core.tr("Choose the upgrade package", "选择升级包")
                enabled: !!sec.up && !sec.up.busy
                onClicked: sec.up.pickFirmwareFile(Core.modelId)
            }
            SkyButton {
                objectName: "upgradeStart"
                Layout.fillWidth: true
                kind: "primary"
                iconName: "upload"
                text: Core.tr("Upgrade", "升级")
                tip: Core.tr("Upload the package to the camera at the UDP address and start the upgrade",
                             "将升级包上传到 UDP 地址对应的相机并开始升级")
                enabled: !!sec.up && !sec.up.busy && sec.up.filePath !== ""
                onClicked: sec.up.startUpgrade(Core.link ? Core.link.udpIp : "", Core.modelId)
            }
            SkyButton {
                visible: !!sec.up && sec.up.busy
                kind: "danger"
                text: Core.tr("Cancel", "取消")
                tip: Core.tr("Cancel the upgrade", "取消升级")
                onClicked: sec.up.cancel()
            }
        }
    }
}
