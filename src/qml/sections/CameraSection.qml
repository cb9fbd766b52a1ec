import QtQuick 2.15
import QtQml 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Skyrig.Commands 1.0
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// Camera: zoom of both cameras, infrared palette and measurement, capture
// and stream settings. Changing encoding, stream resolution or output mode
// restarts the live stream.
SectionBase {
    id: sec
    property int outputModeValue: -1
    signal outputModePicked(int value)
    signal streamSettingChanged()

    readonly property var cam: Core.camera
    readonly property var st: Core.gimbal
    readonly property var ctl: Core.control
    readonly property bool zh: Core.zh
    property bool debugShown: false

    TapCounter {
        id: debugTaps
        needed: 3
        windowMs: 1500
        onFired: sec.debugShown = !sec.debugShown
    }

    Card {
        visible: !!sec.cam && sec.cam.hasVisibleLight
        title: Core.tr("Visible camera", "可见光")
        iconName: "camera"
        onTitleClicked: debugTaps.tap()
        FormRow {
            label: Core.tr("Zoom", "变焦")
            SkySlider {
                id: visZoom
                objectName: "visZoom"
                Layout.fillWidth: true
                from: sec.cam ? sec.cam.visZoomMin : 1
                to: sec.cam ? sec.cam.visZoomMax : 30
                stepSize: sec.cam ? sec.cam.visZoomStep : 0.1
                tip: Core.tr("Hybrid zoom", "混合变焦")
                Binding on value {
                    when: !visZoom.pressed
                    value: sec.st && sec.st.hybridZoom > 0 ? sec.st.hybridZoom : visZoom.from
                    restoreMode: Binding.RestoreNone
                }
                onPressedChanged: if (!pressed && sec.ctl) sec.ctl.hybridZoomSet(Number(value.toFixed(1)))
                onMoved: if (!pressed && sec.ctl) sec.ctl.hybridZoomSet(Number(value.toFixed(1)))
            }
            Text {
                text: visZoom.value.toFixed(1) + "×"
                color: Theme.text
                font.pixelSize: Theme.fontBody
                font.family: Theme.monoFamily
                Layout.preferredWidth: Theme.s(52)
                horizontalAlignment: Text.AlignRight
            }
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.gapS
            SkyButton {
                objectName: "zoomOut"
                Layout.fillWidth: true
                iconName: "zoomOut"
                text: Core.tr("Zoom out", "缩小")
                tip: Core.tr("Zoom out while held", "按住缩小")
                onPressed: if (Core.steer) Core.steer.zoomButton(ZoomDirection.Out)
                onReleased: if (Core.steer) Core.steer.zoomButton(ZoomDirection.Stop)
                onCanceled: if (Core.steer) Core.steer.zoomButton(ZoomDirection.Stop)
            }
            SkyButton {
                objectName: "zoomIn"
                Layout.fillWidth: true
                iconName: "zoomIn"
                text: Core.tr("Zoom in", "放大")
                tip: Core.tr("Zoom in while held", "按住放大")
                onPressed: if (Core.steer) Core.steer.zoomButton(ZoomDirection.In)
                onReleased: if (Core.steer) Core.steer.zoomButton(ZoomDirection.Stop)
                onCanceled: if (Core.steer) Core.steer.zoomButton(ZoomDirection.Stop)
            }
        }
    }

    Card {
        visible: !!sec.cam && sec.cam.hasInfrared
        title: Core.tr("Thermal camera", "红外")
        iconName: "thermo"
        onTitleClicked: debugTaps.tap()
        FormRow {
            label: Core.tr("Palette", "伪彩")
            SkyCombo {
                objectName: "irPalette"
                Layout.fillWidth: true
                model: sec.cam ? sec.cam.irColorPalettes(sec.zh, sec.st ? sec.st.irDeviceType : 0) : []
                reported: sec.st ? sec.st.irPalette : undefined
                tip: Core.tr("Thermal colour palette", "红外伪彩")
                onPicked: if (sec.ctl && entry) sec.ctl.irColorPaletteSet(entry.value)
            }
        }
        FormRow {
            label: Core.tr("Zoom", "变焦")
            SkySlider {
                id: irZoom
                objectName: "irZoom"
                Layout.fillWidth: true
                from: sec.cam ? sec.cam.irZoomMin : 1
                to: sec.cam ? sec.cam.irZoomMax : 8
                stepSize: sec.cam ? sec.cam.irZoomStep : 1
                snapMode: Slider.SnapAlways
                tip: Core.tr("Thermal digital zoom", "红外数字变焦")
                Binding on value {
                    when: !irZoom.pressed
                    value: sec.st ? sec.st.irZoom : 1
                    restoreMode: Binding.RestoreNone
                }
                function send() {
                    if (sec.ctl)
                        sec.ctl.irZoomSet(ControlRules.clampRound(value, from, to))
                }
                onPressedChanged: if (!pressed) send()
                onMoved: if (!pressed) send()
            }
            Text {
                text: Math.round(irZoom.value) + "×"
                color: Theme.text
                font.pixelSize: Theme.fontBody
                font.family: Theme.monoFamily
                Layout.preferredWidth: Theme.s(52)
                horizontalAlignment: Text.AlignRight
            }
        }
        SkySwitch {
            visible: !!sec.cam && sec.cam.hasIrTemp
            Layout.fillWidth: true
            text: Core.tr("Temperature measurement", "测温")
            tip: Core.tr("Measure temperatures in the thermal picture", "在红外画面中测温")
            checked: !!sec.st && sec.st.irTempEnabled
            onToggled: if (sec.ctl) sec.ctl.irTempSwitch(checked)
        }
        SkySwitch {
            visible: !!sec.cam && sec.cam.hasIrAiSuperRes
            Layout.fillWidth: true
            text: Core.tr("AI super resolution", "AI 超分")
            tip: Core.tr("Sharpen the thermal picture", "提升红外画面清晰度")
            checked: !!sec.st && sec.st.irAiSuperResEnabled
            onToggled: if (sec.ctl) sec.ctl.irAiSuperResSet(checked)
        }
        SkySwitch {
            id: fusionSwitch
            visible: !!sec.cam && sec.cam.hasIrFusion
            Layout.fillWidth: true
            text: Core.tr("Fuse with visible", "融合可见光")
            tip: Core.tr("Blend the visible picture into the thermal one", "将可见光叠加到红外画面")
            checked: !!sec.st && sec.st.irFusionEnabled
            onToggled: if (sec.ctl) sec.ctl.irFusionSet(checked, fusionWeight.value, 10 - fusionWeight.value)
        }
        FormRow {
            visible: fusionSwitch.visible && fusionSwitch.checked
            label: Core.tr("Visible share", "可见光占比")
            SkySlider {
                id: fusionWeight
                Layout.fillWidth: true
                from: 0
                to: 10
                stepSize: 1
                snapMode: Slider.SnapAlways
                tip: Core.tr("Visible share of the fused picture (tenths)", "融合画面中可见光的占比（十分之几）")
                value: sec.st ? sec.st.irFusionVisWeight : 8
                onPressedChanged: if (!pressed && sec.ctl) sec.ctl.irFusionSet(true, Math.round(value), 10 - Math.round(value))
            }
        }
    }

    Card {
        title: Core.tr("Capture and stream", "拍摄与码流")
        iconName: "video"
        FormRow {
            label: Core.tr("Photo size", "拍照分辨率")
            SkyCombo {
                objectName: "photoRes"
                Layout.fillWidth: true
                model: sec.cam ? sec.cam.photoResolutions(sec.zh) : []
                reported: sec.st ? sec.st.photoResolution : undefined
                tip: Core.tr("Photo resolution", "拍照分辨率")
                onPicked: if (sec.ctl && entry) sec.ctl.visPhotoResSet(entry.value)
            }
        }
        FormRow {
            label: Core.tr("Video size", "录像分辨率")
            SkyCombo {
                objectName: "recordRes"
                Layout.fillWidth: true
                model: sec.cam ? sec.cam.recordResolutions(sec.zh) : []
                reported: sec.st ? sec.st.recordResolution : undefined
                tip: Core.tr("Recording resolution", "录像分辨率")
                onPicked: if (sec.ctl && entry) sec.ctl.visRecordResSet(entry.value)
            }
        }
        FormRow {
            label: Core.tr("Stream size", "码流分辨率")
            SkyCombo {
                objectName: "streamRes"
                Layout.fillWidth: true
                model: sec.cam ? sec.cam.streamResolutions(sec.zh) : []
                reported: sec.st && sec.st.cameraSystemStatusValid ? sec.st.outputRes : undefined
                tip: Core.tr("Live stream resolution", "实时码流分辨率")
                onPicked: {
                    if (sec.ctl && entry) {
                        sec.ctl.outputResSet(entry.writeValue)
                        sec.streamSettingChanged()
                    }
                }
            }
        }
        FormRow {
            label: Core.tr("Bit rate", "码率")
            SkyCombo {
                objectName: "bitrate"
                Layout.fillWidth: true
                model: sec.cam ? sec.cam.bitrates(sec.zh) : []
                reported: sec.st && sec.st.cameraSystemStatusValid ? sec.st.bitrate : undefined
                tip: Core.tr("Live stream bit rate", "实时码流码率")
                onPicked: if (sec.ctl && entry) sec.ctl.bitrateSet(entry.value)
            }
        }
        FormRow {
            label: Core.tr("Encoding", "编码格式")
            SkyCombo {
                objectName: "encoding"
                Layout.fillWidth: true
                model: [{ label: "H264", value: 0, writeValue: 0 }, { label: "H265", value: 1, writeValue: 1 }]
                reported: sec.st && sec.st.cameraSystemStatusValid ? sec.st.encodingFormat : undefined
                tip: Core.tr("Live stream encoding", "实时码流编码")
                onPicked: {
                    if (sec.ctl && entry) {
                        sec.ctl.encodingFormatSet(entry.value)
                        sec.streamSettingChanged()
                    }
                }
            }
        }
        FormRow {
            visible: !!sec.cam && sec.cam.hasVideoOutputFormat
            label: Core.tr("Picture", "画面模式")
            SkyCombo {
                objectName: "outputMode"
                Layout.fillWidth: true
                model: sec.cam ? sec.cam.videoOutputModes(sec.zh) : []
                reported: sec.outputModeValue >= 0 ? sec.outputModeValue : undefined
                tip: Core.tr("Which camera the stream shows", "码流显示的画面")
                onPicked: {
                    if (sec.ctl && entry) {
                        sec.outputModePicked(entry.value)
                        sec.ctl.imageModeSet(entry.value)
                        sec.streamSettingChanged()
                    }
                }
            }
        }
    }

    Card {
        objectName: "fusionDebug"
        visible: sec.debugShown
        title: Core.tr("Fusion alignment (service)", "融合校准（维护）")
        subtitle: Core.tr("Offsets of the fused picture, for service staff.", "融合画面偏移，仅供维护人员使用。")
        iconName: "grid"
        FormRow {
            label: Core.tr("Target", "对象")
            SkyCombo {
                id: debugTarget
                Layout.fillWidth: true
                model: [{ label: Core.tr("Thermal fusion", "红外融合"), value: 0 },
                        { label: Core.tr("Visible fusion", "可见光融合"), value: 1 }]
                tip: Core.tr("Which fusion to align", "要校准的融合")
            }
        }
        FormRow {
            label: Core.tr("Horizontal", "水平")
            SkySpin {
                id: hOffset
                Layout.fillWidth: true
                decimals: 0
                stepSize: 1
                from: debugTarget.currentIndex === 1 ? (sec.cam ? sec.cam.visFusionHMin : 0)
                                                     : (sec.cam && sec.cam.irFusionOffsetLimited ? sec.cam.irFusionHMin : -2000)
                to: debugTarget.currentIndex === 1 ? (sec.cam ? sec.cam.visFusionHMax : 0)
                                                   : (sec.cam && sec.cam.irFusionOffsetLimited ? sec.cam.irFusionHMax : 2000)
                tip: Core.tr("Horizontal offset", "水平偏移")
            }
        }
        FormRow {
            label: Core.tr("Vertical", "垂直")
            SkySpin {
                id: vOffset
                Layout.fillWidth: true
                decimals: 0
                stepSize: 1
                from: debugTarget.currentIndex === 1 ? (sec.cam ? sec.cam.visFusionVMin : 0)
                                                     : (sec.cam && sec.cam.irFusionOffsetLimited ? sec.cam.irFusionVMin : -2000)
                to: debugTarget.currentIndex === 1 ? (sec.cam ? sec.cam.visFusionVMax : 0)
                                                   : (sec.cam && sec.cam.irFusionOffsetLimited ? sec.cam.irFusionVMax : 2000)
                tip: Core.tr("Vertical offset", "垂直偏移")
            }
        }
        FormRow {
            label: Core.tr("Rotation", "旋转")
            SkySpin {
                id: rotation
                Layout.fillWidth: true
                decimals: 0
                stepSize: 1
                from: -180
                to: 180
                tip: Core.tr("Rotation", "旋转")
            }
        }
        SkyButton {
            Layout.fillWidth: true
            text: Core.tr("Apply offsets", "应用偏移")
            tip: Core.tr("Send the alignment to the camera", "将校准下发到相机")
            onClicked: {
                if (!sec.ctl)
                    return
                if (debugTarget.currentIndex === 1)
                    sec.ctl.visFusionDebugSet(1, hOffset.value, vOffset.value, rotation.value)
                else
                    sec.ctl.irFusionDebugSet(1, hOffset.value, vOffset.value, rotation.value)
            }
        }
    }
}
