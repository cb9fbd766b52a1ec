import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import QtQuick.Window 2.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0
import "sections"

// The control panel: the current section's controls over the log panel.
// Entering a section (and the link turning ready while it is shown) reads
// that section's parameters from the device.
Rectangle {
    id: panel
    objectName: "controlPage"
    property int section: NavRules.initialSection
    // The output-mode combo's value, kept here so it survives leaving the
    // camera section; the video panel reads it for the split-screen rule.
    property int outputModeValue: -1
    signal streamSettingChanged()

    color: Theme.surface

    function readSection() {
        if (!Core.ready || !Core.control)
            return
        var q = ControlRules.queriesFor(section, Core.camera)
        for (var i = 0; i < q.length; ++i)
            Core.control[q[i]]()
    }
    onSectionChanged: readSection()
    Connections {
        target: Core.control
        ignoreUnknownSignals: true
        function onHandshakeReadyChanged() { panel.readSection() }
    }
    Connections {
        target: Core.gimbal
        ignoreUnknownSignals: true
        function onCameraStatusChanged() {
            if (Core.gimbal.cameraSystemStatusValid)
                panel.outputModeValue = ControlRules.outputModeFor(Core.gimbal.streamMode, panel.outputModeValue)
        }
    }
    Component.onCompleted: {
        readSection()
        if (Core.inputs)
            Core.inputs.keysActive = visible
    }

    // How the last firmware upgrade ended (1 started, -1 failed, 0 none or
    // running); kept here and logged, so leaving the device section while a
    // package uploads loses neither.
    property int upgradeOutcome: 0
    Connections {
        target: Core.upgrade
        ignoreUnknownSignals: true
        function onBusyChanged() {
            if (Core.upgrade.busy)
                panel.upgradeOutcome = 0
        }
        function onFinished(ok, message) {
            panel.upgradeOutcome = ok ? 1 : -1
            Core.say((ok ? Core.tr("[Firmware/Upgrade] ", "[固件/升级] ")
                         : Core.tr("[Firmware/Upgrade Failed] ", "[固件/升级失败] ")) + message)
        }
    }

    MoveRepeater { id: padMover }
    // Keys steer while the control panel is on screen.
    onVisibleChanged: if (Core.inputs) Core.inputs.keysActive = visible

    Rectangle {
        anchors.right: parent.right
        width: 1
        height: parent.height
        color: Theme.divider
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            Layout.fillWidth: true
            Layout.preferredHeight: Theme.s(52)
            Layout.leftMargin: Theme.gapL
            Layout.rightMargin: Theme.gapL
            spacing: Theme.gapS
            Text {
                objectName: "sectionTitle"
                text: NavRules.title(panel.section, Core.zh)
                color: Theme.text
                font.pixelSize: Theme.fontHeading
                font.weight: Font.DemiBold
                Layout.fillWidth: true
                elide: Text.ElideRight
            }
            Chip {
                objectName: "panelLinkChip"
                text: Core.ready ? (Core.reporting ? Core.tr("Ready", "就绪") : Core.tr("No reports", "无上报"))
                                 : Core.linkUp ? Core.tr("Handshaking", "握手中") : Core.tr("Offline", "未连接")
                tone: Core.ready && Core.reporting ? Theme.success : Core.linkUp ? Theme.warning : Theme.textTertiary
                pulse: Core.linkUp && !Core.ready
            }
        }
        Rectangle { Layout.fillWidth: true; height: 1; color: Theme.divider }

        Flickable {
            id: scroller
            objectName: "sectionScroller"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            contentWidth: width
            contentHeight: sectionLoader.height
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

            Loader {
                id: sectionLoader
                objectName: "sectionLoader"
                // A fixed gutter for the scroll bar, so the content never
                // re-wraps when the bar appears.
                width: scroller.width - Theme.gapXs
                sourceComponent: {
                    switch (panel.section) {
                    case 1: return linkSection
                    case 2: return gimbalSection
                    case 3: return cameraSection
                    case 9: return rangeSection
                    case 4: return sbusSection
                    case 5: return networkSection
                    case 6: return aiSection
                    case 7: return osdSection
                    case 8: return deviceSection
                    case 10: return controlsSection
                    }
                    return null
                }
                onLoaded: {
                    scroller.contentY = 0
                    fadeIn.restart()
                }
                NumberAnimation { id: fadeIn; target: sectionLoader.item; property: "opacity"; from: 0; to: 1; duration: Theme.normal }
            }
        }

        LogPanel {
            Layout.fillWidth: true
            Layout.preferredHeight: Math.max(Theme.s(150), panel.height * 0.3)
        }
    }

    Component { id: linkSection; LinkSection { section: 1 } }
    Component { id: gimbalSection; GimbalSection { section: 2; mover: padMover } }
    Component {
        id: cameraSection
        CameraSection {
            section: 3
            outputModeValue: panel.outputModeValue
            onOutputModePicked: panel.outputModeValue = value
            onStreamSettingChanged: panel.streamSettingChanged()
        }
    }
    Component { id: rangeSection; RangeSection { section: 9 } }
    Component { id: sbusSection; SbusSection { section: 4 } }
    Component { id: networkSection; NetworkSection { section: 5 } }
    Component { id: aiSection; AiSection { section: 6 } }
    Component { id: osdSection; OsdSection { section: 7 } }
    Component { id: deviceSection; DeviceSection { section: 8; upgradeOutcome: panel.upgradeOutcome } }
    Component { id: controlsSection; ControlsSection { section: 10 } }
}
