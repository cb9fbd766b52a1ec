import QtQuick 2.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// The status laid over the live picture's corners: stream, format, recording
// and split-screen chips (top left), the memory card (top right), the stop
// tracking button (bottom right) and the last operation message (bottom left).
Item {
    // The video panel whose state the overlay shows.
    property Item panel

    // Status overlay, top left; the recording's notes each on a line below.
    Column {
        x: Theme.gapM
        y: Theme.gapM
        spacing: Theme.gapS
        Row {
            spacing: Theme.gapS
            Chip {
                objectName: "streamStatus"
                visible: panel.playing
                text: panel.player ? panel.player.status : ""
                tone: panel.player && panel.frame && panel.frame.videoWidth > 0 && !panel.player.reconnecting ? Theme.success
                      : Theme.warning
                pulse: !!panel.player && panel.player.reconnecting
                color: Theme.overlay
            }
            Chip {
                visible: panel.playing && !!panel.player && panel.player.streamWidth > 0
                text: panel.player ? panel.player.streamWidth + "×" + panel.player.streamHeight + " · "
                                     + panel.player.codecName + " · " + panel.player.bitrateText : ""
                tone: Theme.textSecondary
                iconName: "video"
                color: Theme.overlay
            }
            Chip {
                objectName: "recordingChip"
                readonly property var rec: panel.recordingSession
                visible: !!rec && rec.active
                // Elapsed time, size so far and the current rate.
                text: !rec || !rec.ready ? "REC"
                      : "REC " + VideoRules.elapsedText(panel.recordSeconds) + " · " + rec.sizeText + " · " + rec.rateText
                tone: Theme.recording
                pulse: true
                color: Theme.overlay
            }
            Chip {
                visible: panel.split
                text: panel.tr("Split screen", "分屏")
                tone: Theme.textSecondary
                iconName: "grid"
                color: Theme.overlay
            }
        }
        // The recording's own news: a stream drop and when, low disk
        // space, pictures the disk could not keep up with.
        Repeater {
            model: panel.recordingSession && panel.recordingSession.active
                   ? [{ n: "recordingStatus", t: panel.recordingSession.statusText },
                      { n: "recordingDisk", t: panel.recordingSession.diskText },
                      { n: "recordingDropped", t: panel.recordingSession.droppedText }] : []
            delegate: Chip {
                objectName: modelData.n
                visible: modelData.t !== ""
                text: modelData.t
                tone: Theme.warning
                iconName: "record"
                color: Theme.overlay
            }
        }
    }

    // Memory card, top right.
    Chip {
        objectName: "sdChip"
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: Theme.gapM
        visible: panel.sdValid
        iconName: "sd"
        text: VideoRules.sdText(panel.sdStatus, Core.zh) + " · "
              + VideoRules.capacityText(panel.st ? panel.st.sdTotalMB : 0, panel.st ? panel.st.sdFreeMB : 0,
                                        panel.st ? panel.st.sdUsedMB : 0, Core.zh)
        tone: panel.sdStatus === 0 ? Theme.success : panel.sdStatus === 4 || panel.sdStatus === 2 ? Theme.warning
                                                                                                  : Theme.danger
        color: Theme.overlay
    }
    // Tracking control, bottom right.
    SkyButton {
        objectName: "stopTracking"
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: Theme.gapM
        visible: panel.trackingShown
        kind: "danger"
        iconName: "target"
        text: panel.tr("Stop tracking", "停止追踪")
        tip: panel.tr("Stop following the target", "停止目标追踪")
        onClicked: panel.stopTracking()
    }
    // Operation message, bottom left.
    Rectangle {
        anchors.left: parent.left
        anchors.bottom: parent.bottom
        anchors.margins: Theme.gapM
        visible: panel.operationMessage !== ""
        width: Math.min(opText.implicitWidth + 2 * Theme.gapM, parent.width - 2 * Theme.gapM)
        height: opText.implicitHeight + Theme.gapS * 2
        radius: Theme.radiusM
        color: Theme.overlay
        Text {
            id: opText
            objectName: "operationMessage"
            anchors.centerIn: parent
            width: parent.width - 2 * Theme.gapM
            text: panel.operationMessage
            textFormat: Text.PlainText
            color: Theme.text
            font.pixelSize: Theme.fontSmall
            elide: Text.ElideMiddle
        }
        Timer {
            running: parent.visible
            interval: 6000
            onTriggered: panel.operationMessage = ""
        }
    }
}
