import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// The device capture controls under the live picture: photo/video mode, the
// shutter (busy while a photo is taken, square while the camera records) and
// the gimbal telemetry.
Rectangle {
    id: captureBar
    // The video panel whose state the controls show and drive.
    property Item panel
    // 0 photo, 1 video: what the shutter does.
    readonly property int captureModeIndex: photoMode.currentIndex
    implicitHeight: Theme.s(112)
    color: Theme.surface
    Rectangle { width: parent.width; height: 1; color: Theme.divider }
    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: Theme.gapL
        anchors.rightMargin: Theme.gapL
        spacing: Theme.gapL

        ColumnLayout {
            spacing: Theme.gapS
            Segmented {
                id: photoMode
                objectName: "captureMode"
                Layout.preferredWidth: Theme.s(200)
                tip: panel.tr("Capture mode", "拍摄模式")
                options: [{ label: panel.tr("Photo", "拍照"), icon: "photo" }, { label: panel.tr("Video", "录像"), icon: "video" }]
                currentIndex: panel.st && panel.st.photoVideoMode === 1 ? 1 : 0
                onActivated: if (panel.ctl) panel.ctl.photoVideoModeSet(index === 1 ? 1 : 0)
            }
            Text {
                text: panel.sdValid ? VideoRules.sdText(panel.sdStatus, Core.zh) : panel.tr("Memory card not reported", "未上报存储卡状态")
                color: Theme.textTertiary
                font.pixelSize: Theme.fontSmall
            }
        }
        // The shutter.
        AbstractButton {
            id: shutter
            objectName: "captureButton"
            Layout.preferredWidth: Theme.s(64)
            Layout.preferredHeight: Theme.s(64)
            enabled: panel.sdReady && !!panel.ctl && !panel.photoBusy
            hoverEnabled: true
            focusPolicy: Qt.StrongFocus
            Accessible.role: Accessible.Button
            Accessible.name: photoMode.currentIndex === 0 ? panel.tr("Take photo", "拍照")
                             : panel.deviceRecording ? panel.tr("Stop recording", "停止录像") : panel.tr("Start recording", "开始录像")
            ToolTip.text: panel.sdReady ? Accessible.name : panel.tr("Needs a ready memory card", "需要存储卡就绪")
            ToolTip.visible: hovered
            ToolTip.delay: 500
            onClicked: panel.capture()
            background: Rectangle {
                radius: width / 2
                color: "transparent"
                border.width: Theme.s(3)
                border.color: shutter.enabled ? Theme.text : Theme.textDisabled
                Rectangle {
                    anchors.centerIn: parent
                    readonly property bool rec: photoMode.currentIndex === 1
                    width: rec && panel.deviceRecording ? parent.width * 0.38 : parent.width * 0.74
                    height: width
                    radius: rec && panel.deviceRecording ? Theme.radiusS : width / 2
                    color: !shutter.enabled ? Theme.textDisabled
                           : rec ? Theme.recording : shutter.pressed ? Theme.textSecondary : Theme.text
                    Behavior on width { NumberAnimation { duration: Theme.fast } }
                    Behavior on radius { NumberAnimation { duration: Theme.fast } }
                }
                BusyIndicator {
                    anchors.centerIn: parent
                    running: panel.photoBusy
                    visible: running
                    width: parent.width
                    height: width
                }
            }
        }
        Rectangle { width: 1; Layout.fillHeight: true; Layout.topMargin: Theme.gapL; Layout.bottomMargin: Theme.gapL; color: Theme.divider }

        // Telemetry.
        GridLayout {
            Layout.fillWidth: true
            columns: 4
            columnSpacing: Theme.gapS
            rowSpacing: Theme.gapS
            Repeater {
                // Only what the camera is reporting now: "--" before the first
                // report, after a disconnect and while it is silent.
                model: [
                    { c: panel.tr("Pitch", "俯仰"), v: Core.reporting ? Number(panel.st.pitchJoint).toFixed(1) : "--", u: "°", show: true },
                    { c: panel.tr("Yaw", "航向"), v: Core.reporting ? ControlRules.displayYaw(panel.st.yawJoint, panel.cam ? panel.cam.yawMinDeg : -180).toFixed(1) : "--", u: "°", show: true },
                    { c: panel.tr("Zoom", "变焦"), v: Core.reporting && panel.st.hybridZoom > 0 ? Number(panel.st.hybridZoom).toFixed(1) : "--", u: "×", show: true },
                    { c: panel.tr("Range", "距离"), v: Core.reporting && panel.st.laserDistance > 0 ? Number(panel.st.laserDistance).toFixed(1) : "--", u: "m",
                      show: !!panel.cam && panel.cam.hasLaser }
                ]
                delegate: Column {
                    visible: modelData.show
                    Layout.fillWidth: true
                    spacing: 2
                    Accessible.role: Accessible.StaticText
                    Accessible.name: modelData.c + " " + modelData.v + modelData.u
                    Text {
                        text: modelData.c
                        color: Theme.textTertiary
                        font.pixelSize: Theme.fontCaption
                        font.capitalization: Font.AllUppercase
                    }
                    Row {
                        spacing: 2
                        Text {
                            text: modelData.v
                            color: Theme.text
                            font.pixelSize: Theme.fontNumber
                            font.family: Theme.monoFamily
                        }
                        Text {
                            text: modelData.u
                            color: Theme.textTertiary
                            font.pixelSize: Theme.fontSmall
                        }
                    }
                }
            }
        }
    }
}
