import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// Gimbal: live angles, the direction pad (also arrows / W S A D, C or Home
// to centre) and the angle command.
SectionBase {
    id: sec
    property var mover
    readonly property var st: Core.gimbal
    readonly property var cam: Core.camera
    readonly property real yawMin: cam ? cam.yawMinDeg : -180
    readonly property real yawMax: cam ? cam.yawMaxDeg : 180
    readonly property real pitchMin: cam ? cam.pitchMinDeg : -90
    readonly property real pitchMax: cam ? cam.pitchMaxDeg : 30
    // Angles only while the camera reports them: before the first report,
    // after a disconnect and while it is silent they are not known.
    readonly property bool live: !!st && st.reporting

    Card {
        title: Core.tr("Attitude", "姿态")
        iconName: "gimbal"
        headerExtra: Chip {
            objectName: "attitudeBadge"
            text: sec.live ? Core.tr("Reporting", "上报中") : Core.tr("No reports", "无上报")
            tone: sec.live ? Theme.success : Core.ready ? Theme.warning : Theme.textTertiary
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.gapS
            ValueTile {
                objectName: "pitchTile"
                caption: Core.tr("Pitch", "俯仰")
                value: sec.live ? Number(sec.st.pitchJoint).toFixed(2) : "--"
                unit: "°"
            }
            ValueTile {
                objectName: "yawTile"
                caption: Core.tr("Yaw", "航向")
                value: sec.live ? ControlRules.displayYaw(sec.st.yawJoint, sec.yawMin).toFixed(2) : "--"
                unit: "°"
            }
            ValueTile {
                objectName: "rollTile"
                caption: Core.tr("Roll", "横滚")
                value: sec.live ? Number(sec.st.rollJoint).toFixed(2) : "--"
                unit: "°"
            }
        }
    }

    Card {
        title: Core.tr("Direction pad", "方向控制")
        subtitle: Core.tr("Hold to move. Keyboard: arrows or W S A D, C or Home to centre.",
                          "按住移动。键盘：方向键或 W S A D，C 或 Home 回中。")
        iconName: "keyboard"
        GridLayout {
            Layout.alignment: Qt.AlignHCenter
            columns: 3
            rowSpacing: Theme.gapS
            columnSpacing: Theme.gapS
            Item { implicitWidth: 1; implicitHeight: 1 }
            PadButton { objectName: "padUp"; move: "up"; iconName: "up"; mover: sec.mover; tip: Core.tr("Pitch up", "向上") }
            Item { implicitWidth: 1; implicitHeight: 1 }
            PadButton { objectName: "padLeft"; move: "left"; iconName: "left"; mover: sec.mover; tip: Core.tr("Yaw left", "向左") }
            PadButton { objectName: "padStop"; move: "stop"; iconName: "stopSquare"; mover: sec.mover; hold: false; tip: Core.tr("Stop", "停止") }
            PadButton { objectName: "padRight"; move: "right"; iconName: "right"; mover: sec.mover; tip: Core.tr("Yaw right", "向右") }
            Item { implicitWidth: 1; implicitHeight: 1 }
            PadButton { objectName: "padDown"; move: "down"; iconName: "down"; mover: sec.mover; tip: Core.tr("Pitch down", "向下") }
            Item { implicitWidth: 1; implicitHeight: 1 }
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.gapS
            SkyButton {
                objectName: "centreButton"
                Layout.fillWidth: true
                iconName: "centre"
                text: Core.tr("Centre", "回中")
                tip: Core.tr("Return to the centre position (C, Home)", "回到中位（C、Home）")
                onClicked: sec.mover.once("centre")
            }
            SkyButton {
                objectName: "faceDownButton"
                Layout.fillWidth: true
                iconName: "faceDown"
                text: Core.tr("Look down", "俯视 90°")
                tip: Core.tr("Point straight down (90°)", "垂直向下（90°）")
                onClicked: sec.mover.once("faceDown")
            }
            SkyButton {
                Layout.fillWidth: true
                iconName: "calibrate"
                text: Core.tr("Calibrate", "校准")
                tip: Core.tr("Calibrate the gimbal", "云台校准")
                onClicked: if (Core.control) Core.control.gimbalCalibration()
            }
        }
    }

    Card {
        title: Core.tr("Angle", "角度控制")
        subtitle: Core.tr("Pitch %1…%2°, positive looks up. Yaw %3…%4°.", "俯仰 %1…%2°，正值向上；航向 %3…%4°。")
                  .arg(sec.pitchMin).arg(sec.pitchMax).arg(sec.yawMin).arg(sec.yawMax)
        iconName: "crosshair"
        FormRow {
            label: Core.tr("Pitch (°)", "俯仰 (°)")
            SkySpin {
                id: pitchSpin
                objectName: "pitchSpin"
                Layout.fillWidth: true
                from: Math.round(sec.pitchMin * 100)
                to: Math.round(sec.pitchMax * 100)
                value: 0
                tip: Core.tr("Pitch angle in degrees", "俯仰角（度）")
                onClamped: Core.say(ControlRules.angleClampHint(true, typed, sec.pitchMin, sec.pitchMax, Core.zh))
            }
        }
        FormRow {
            label: Core.tr("Yaw (°)", "航向 (°)")
            SkySpin {
                id: yawSpin
                objectName: "yawSpin"
                Layout.fillWidth: true
                from: Math.round(sec.yawMin * 100)
                to: Math.round(sec.yawMax * 100)
                value: 0
                tip: Core.tr("Yaw angle in degrees", "航向角（度）")
                onClamped: Core.say(ControlRules.angleClampHint(false, typed, sec.yawMin, sec.yawMax, Core.zh))
            }
        }
        SkyButton {
            objectName: "setAngle"
            Layout.fillWidth: true
            kind: "primary"
            iconName: "crosshair"
            text: Core.tr("Set Angle", "设置角度")
            tip: Core.tr("Turn the gimbal to these angles", "转到设定角度")
            onClicked: sec.setAngle()
        }
        SkySwitch {
            visible: !!sec.cam && sec.cam.hasGimbalPointAim
            Layout.fillWidth: true
            text: Core.tr("Click the video to aim", "点击视频指点")
            tip: Core.tr("A click on the live picture turns the gimbal there", "单击实时画面使云台转向该点")
            checked: !!sec.cam && sec.cam.videoPointAimEnabled
            onToggled: sec.cam.setVideoPointAimEnabled(checked)
        }
    }

    // An empty field sends nothing; a number beyond the model's range is
    // shown at the limit, and said so, before it is sent.
    function setAngle() {
        var pitchText = pitchSpin.shownText, yawText = yawSpin.shownText
        var cmd = ControlRules.angleCommand(pitchText, yawText, Core.zh,
                                            { pitchMin: pitchMin, pitchMax: pitchMax, yawMin: yawMin, yawMax: yawMax })
        if (!cmd.ok) {
            Core.say(cmd.message)
            return
        }
        if (cmd.clamped) {
            if (Math.round(cmd.pitchValue * 100) !== Math.round(Number(pitchText) * 100)) {
                pitchSpin.value = Math.round(cmd.pitchValue * 100)
                Core.say(ControlRules.angleClampHint(true, pitchText, pitchMin, pitchMax, Core.zh))
            }
            if (Math.round(cmd.yawValue * 100) !== Math.round(Number(yawText) * 100)) {
                yawSpin.value = Math.round(cmd.yawValue * 100)
                Core.say(ControlRules.angleClampHint(false, yawText, yawMin, yawMax, Core.zh))
            }
        }
        if (Core.control)
            Core.control.gimbalAngleControl(cmd.pitchDir, cmd.pitch, cmd.yawDir, cmd.yaw)
    }
}
