import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// The stream toolbar above the live picture: the stream address with its
// history, play/stop, auto stream, frame grab, local recording, the thirds
// grid, full screen and the album.
Rectangle {
    id: toolbar
    // The video panel whose state the controls show and drive.
    property Item panel
    // The address in the URL field, as typed or picked.
    property alias urlText: urlField.editText
    implicitHeight: Theme.s(56)
    color: Theme.surface
    Rectangle { anchors.bottom: parent.bottom; width: parent.width; height: 1; color: Theme.divider }
    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: Theme.gapM
        anchors.rightMargin: Theme.gapM
        spacing: Theme.gapS
        SkyCombo {
            id: urlField
            objectName: "urlField"
            Layout.fillWidth: true
            Layout.minimumWidth: Theme.s(200)
            editable: true
            model: panel.history
            tip: panel.tr("Stream address (rtsp://…); Enter plays it", "视频流地址（rtsp://…），回车播放")
            accessibleName: panel.tr("Stream address", "视频流地址")
            onAccepted: panel.startPlayback(editText)
            onActivated: if (index >= 0) panel.persistedVideoUrl = panel.history[index]
            Connections {
                target: urlField.contentItem
                ignoreUnknownSignals: true
                function onTextEdited() {
                    var t = urlField.contentItem.text
                    var f = VideoRules.filterUrl(t)
                    if (f !== t) {
                        var pos = urlField.contentItem.cursorPosition - (t.length - f.length)
                        urlField.contentItem.text = f
                        urlField.contentItem.cursorPosition = Math.max(0, pos)
                    }
                }
            }
        }
        SkyButton {
            objectName: "playButton"
            kind: panel.playing ? "secondary" : "primary"
            iconName: panel.playing ? "stop" : "play"
            text: panel.playing ? panel.tr("Stop", "停止") : panel.tr("Play", "播放")
            tip: panel.playing ? panel.tr("Stop the live video", "停止实时视频")
                               : panel.tr("Play this stream", "播放该视频流")
            enabled: !!panel.player
            onClicked: panel.playing ? panel.stopPlayback() : panel.startPlayback(urlField.editText)
        }
        SkySwitch {
            objectName: "autoStream"
            text: panel.tr("Auto", "自动")
            tip: panel.tr("Start the stream by itself for this product", "该型号自动开始拉流")
            checked: !!panel.cam && panel.cam.autoStream
            onToggled: if (panel.cam) panel.cam.setAutoStream(checked)
        }
        Rectangle { width: 1; Layout.preferredHeight: Theme.s(24); color: Theme.divider }
        IconButton {
            objectName: "grabButton"
            iconName: "snapshot"
            tip: panel.tr("Save the current frame", "保存当前画面")
            enabled: panel.playing
            onClicked: {
                var path = panel.player.captureFrame()
                if (path !== "")
                    panel.showOperation("Frame saved: ", "抓帧已保存: ", path)
            }
        }
        SkyButton {
            objectName: "localRecord"
            kind: panel.player && panel.player.recording ? "danger" : "ghost"
            iconName: "record"
            tint: panel.player && panel.player.recording ? Theme.recording : Theme.textSecondary
            text: panel.player && panel.player.recordingReady ? VideoRules.elapsedText(panel.recordSeconds) : ""
            tip: panel.player && panel.player.recording ? panel.tr("Stop recording on this computer", "停止本地录像")
                                                        : panel.tr("Record the stream on this computer", "在本机录制视频流")
            enabled: panel.playing
            onClicked: {
                if (panel.player.recording)
                    panel.player.stopRecording()
                else
                    panel.player.startRecording(panel.persistedVideoUrl)
            }
        }
        IconButton {
            objectName: "gridButton"
            iconName: "grid"
            checkable: true
            checked: panel.gridShown
            tip: panel.tr("Show a thirds grid", "显示九宫格")
            onToggled: panel.gridShown = checked
        }
        IconButton {
            objectName: "fullScreenButton"
            iconName: "fullscreen"
            tip: panel.tr("Full screen (F11, Esc to leave)", "全屏（F11，Esc 退出）")
            enabled: panel.playing
            onClicked: panel.surface.openFullScreen()
        }
        SkyButton {
            objectName: "albumButton"
            visible: !!panel.cam && panel.cam.hasAlbum
            iconName: "album"
            text: panel.tr("Album", "相册")
            tip: panel.albumAllowed ? panel.tr("Browse the camera's memory card", "浏览相机存储卡")
                                    : panel.tr("Needs a ready memory card", "需要存储卡就绪")
            enabled: panel.albumAllowed && !!panel.album
            onClicked: panel.openAlbum()
        }
    }
}
