import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// A photo or a played-back video over the whole album, with delete,
// download and close, and for a video pause/resume and a position slider.
Rectangle {
    objectName: "albumPreview"
    // The album panel whose state this part shows and drives.
    property Item panel
    // The picture item a played-back video is drawn into (none until the
    // video surface has loaded).
    readonly property var frame: previewSurface.item ? previewSurface.item.frame : null
    function resetPosition() { positionSlider.value = 0 }
    anchors.fill: parent
    visible: panel.previewShown
    // Opaque: the album's own controls must not show through the
    // viewer's.
    color: Theme.window
    MouseArea { anchors.fill: parent; onClicked: {} }
    ColumnLayout {
        anchors.fill: parent
        anchors.margins: Theme.gapL
        spacing: Theme.gapM
        RowLayout {
            Layout.fillWidth: true
            Text {
                Layout.fillWidth: true
                text: panel.previewName
                textFormat: Text.PlainText
                color: Theme.text
                font.pixelSize: Theme.fontTitle
                font.weight: Font.DemiBold
                elide: Text.ElideMiddle
            }
            SkyButton {
                kind: "danger"
                iconName: "trash"
                text: panel.tr("Delete", "删除")
                tip: panel.tr("Delete this file from the memory card", "从存储卡删除该文件")
                enabled: !!panel.album && !panel.album.deleting && !panel.album.downloading
                onClicked: panel.askDeleteOne(panel.previewPath, panel.previewName)
            }
            SkyButton {
                iconName: "download"
                text: panel.tr("Download", "下载")
                tip: panel.tr("Download this file", "下载该文件")
                enabled: !!panel.album && !panel.album.downloading
                onClicked: panel.album.downloadFile(panel.previewPath)
            }
            IconButton {
                objectName: "closePreview"
                iconName: "close"
                tip: panel.tr("Close the preview", "关闭预览")
                onClicked: panel.closePreview()
            }
        }
        Rectangle {
            Layout.fillWidth: true
            Layout.fillHeight: true
            radius: Theme.radiusL
            color: Theme.videoBackground
            clip: true
            Image {
                anchors.fill: parent
                visible: !panel.previewVideo || !(panel.album && panel.album.playbackHasFrame)
                source: panel.previewPicture
                fillMode: Image.PreserveAspectFit
                asynchronous: true
            }
            Loader {
                id: previewSurface
                anchors.fill: parent
                active: panel.previewShown && panel.previewVideo && Core.urls !== null
                source: "AlbumVideoSurface.qml"
            }
            Text {
                anchors.centerIn: parent
                visible: panel.previewVideo && !!panel.album && !panel.album.playbackHasFrame
                text: panel.album && panel.album.playbackError !== "" ? panel.album.playbackError
                                                                              : panel.tr("Loading video…", "正在加载视频…")
                color: panel.album && panel.album.playbackError !== "" ? Theme.danger : Theme.textSecondary
                font.pixelSize: Theme.fontLabel
            }
        }
        RowLayout {
            Layout.fillWidth: true
            visible: panel.previewVideo
            spacing: Theme.gapM
            IconButton {
                objectName: "pauseResume"
                iconName: panel.album && panel.album.playbackPaused ? "play" : "pause"
                framed: true
                tip: panel.album && panel.album.playbackPaused ? panel.tr("Resume", "继续") : panel.tr("Pause", "暂停")
                onClicked: panel.album.pauseOrResumeVideo()
            }
            Text {
                objectName: "playPosition"
                text: positionSlider.pressed ? AlbumRules.minSec(positionSlider.value)
                                             : AlbumRules.positionText(panel.album ? panel.album.playbackPositionMs : 0,
                                                                       panel.album ? panel.album.playbackTotalMs : 0,
                                                                       panel.previewDuration)
                color: Theme.textSecondary
                font.pixelSize: Theme.fontSmall
                font.family: Theme.monoFamily
            }
            SkySlider {
                id: positionSlider
                objectName: "positionSlider"
                Layout.fillWidth: true
                from: 0
                to: Math.max(1, panel.album ? panel.album.playbackTotalMs : 1)
                tip: panel.tr("Position", "播放位置")
                Binding on value {
                    when: !positionSlider.pressed
                    value: panel.album ? panel.album.playbackPositionMs : 0
                }
                onPressedChanged: if (!pressed && panel.album) panel.album.seekVideo(Math.round(value))
            }
            Text {
                objectName: "playLength"
                text: AlbumRules.lengthText(panel.album ? panel.album.playbackTotalMs : 0, panel.previewDuration)
                color: Theme.textSecondary
                font.pixelSize: Theme.fontSmall
                font.family: Theme.monoFamily
            }
        }
    }
}
