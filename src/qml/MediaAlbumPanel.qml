import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// The media album on the camera's memory card: header, tool row, a grid of
// the current page, footer with pages, status and downloads, and the photo
// and video previews. All state lives in the album object.
Rectangle {
    id: albumPanel
    objectName: "albumPanel"
    color: Theme.window

    readonly property var album: Core.album
    readonly property bool zh: Core.zh
    readonly property var items: album ? album.pagedItems : []
    readonly property var filtered: album ? album.filteredItems : []
    readonly property int selected: album ? album.selectedCount : 0
    readonly property bool allSelected: album ? AlbumRules.allSelected(filtered, album.selectedPaths) : false
    // Bumped whenever a thumbnail arrives, so tiles re-read the cache.
    property int thumbnailGeneration: 0

    // Preview overlay.
    property bool previewShown: false
    property bool previewVideo: false
    property string previewPath: ""
    property string previewName: ""
    property string previewPicture: ""
    property bool seeking: false
    // Delete confirmation.
    property bool confirmShown: false
    property bool confirmSingle: true
    property string confirmPath: ""
    property string confirmText: ""

    function tr(en, cn) { return Core.tr(en, cn) }

    function openPreview(item) {
        previewPath = item.path
        previewName = AlbumRules.itemName(item)
        previewPicture = album.thumbnailForPath(item.path)
        previewVideo = item.type === "video"
        previewShown = true
        if (previewVideo) {
            positionSlider.value = 0
            Qt.callLater(function () {
                if (previewShown && previewVideo && album) {
                    album.setPlaybackVideoTarget(previewSurface.item ? previewSurface.item.frame : null)
                    album.playVideo(previewPath)
                }
            })
        }
    }
    function closePreview() {
        if (previewVideo && album && album.playingPath !== "")
            album.stopVideo()
        previewShown = false
        previewPath = ""
    }
    function askDeleteOne(path, name) {
        confirmSingle = true
        confirmPath = path
        confirmText = AlbumRules.deleteSingleText(name, zh)
        confirmShown = true
    }
    function askDeleteSelected() {
        confirmSingle = false
        confirmPath = ""
        confirmText = AlbumRules.deleteSelectedText(selected, zh)
        confirmShown = true
    }
    function confirmDelete() {
        confirmShown = false
        if (!album)
            return
        if (confirmSingle)
            album.deleteFile(confirmPath)
        else
            album.deleteSelected()
    }

    Connections {
        target: albumPanel.album
        ignoreUnknownSignals: true
        function onThumbnailReady(path) { albumPanel.thumbnailGeneration += 1 }
        function onFileDeleted(path) {
            if (albumPanel.previewShown && path === albumPanel.previewPath)
                albumPanel.closePreview()
        }
        function onOpenChanged() {
            if (!albumPanel.album.open) {
                albumPanel.previewShown = false
                albumPanel.confirmShown = false
            }
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        // Header.
        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: Theme.s(56)
            color: Theme.surface
            Rectangle { anchors.bottom: parent.bottom; width: parent.width; height: 1; color: Theme.divider }
            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: Theme.gapM
                anchors.rightMargin: Theme.gapM
                spacing: Theme.gapS
                SkyButton {
                    objectName: "albumBack"
                    kind: "ghost"
                    iconName: "back"
                    text: albumPanel.tr("Back", "返回")
                    tip: albumPanel.tr("Back to the live video", "返回实时视频")
                    onClicked: if (albumPanel.album) albumPanel.album.closeAlbum()
                }
                Icon { name: "album"; color: Theme.accent }
                Text {
                    text: albumPanel.tr("Album", "相册")
                    color: Theme.text
                    font.pixelSize: Theme.fontHeading
                    font.weight: Font.DemiBold
                }
                Item { Layout.fillWidth: true }
                SkyCheck {
                    objectName: "sendEndpoint"
                    text: albumPanel.tr("Send local IP/port", "发送本机 IP/端口")
                    tip: albumPanel.tr("Before opening the album, downloading or playing, tell the camera this computer's address and port (remembered per product)",
                                       "打开相册、下载、回放前，向相机下发本机地址与端口（按机型记住）")
                    checked: !!albumPanel.album && albumPanel.album.sendClientEndpoint
                    onToggled: if (albumPanel.album) albumPanel.album.sendClientEndpoint = checked
                }
                IconButton {
                    objectName: "albumFolder"
                    iconName: "folder"
                    tip: albumPanel.tr("Choose save folder", "选择保存目录")
                    onClicked: if (albumPanel.album) albumPanel.album.pickDownloadDirectory()
                }
                IconButton {
                    objectName: "albumRefresh"
                    iconName: "refresh"
                    tip: AlbumRules.refreshLabel(!!albumPanel.album && albumPanel.album.loading, albumPanel.zh)
                    enabled: !!albumPanel.album && !albumPanel.album.loading
                    RotationAnimator on rotation {
                        running: !!albumPanel.album && albumPanel.album.loading
                        loops: Animation.Infinite
                        from: 0
                        to: 360
                        duration: 900
                    }
                    onClicked: albumPanel.album.refresh()
                }
                IconButton {
                    objectName: "albumClose"
                    iconName: "close"
                    tip: albumPanel.tr("Close", "关闭")
                    onClicked: if (albumPanel.album) albumPanel.album.closeAlbum()
                }
            }
        }

        // Tool row.
        RowLayout {
            Layout.fillWidth: true
            Layout.preferredHeight: Theme.s(52)
            Layout.leftMargin: Theme.gapL
            Layout.rightMargin: Theme.gapL
            spacing: Theme.gapS
            Segmented {
                objectName: "albumFilter"
                Layout.preferredWidth: Theme.s(240)
                tip: albumPanel.tr("Show", "显示")
                options: [{ label: albumPanel.tr("All", "全部") }, { label: albumPanel.tr("Photos", "照片"), icon: "photo" },
                          { label: albumPanel.tr("Videos", "视频"), icon: "video" }]
                currentIndex: albumPanel.album ? albumPanel.album.filterIndex : 0
                onActivated: if (albumPanel.album) albumPanel.album.filterIndex = index
            }
            SkyButton {
                objectName: "selectAll"
                kind: "ghost"
                iconName: "check"
                text: AlbumRules.selectAllLabel(albumPanel.allSelected, albumPanel.zh)
                tip: text
                enabled: albumPanel.filtered.length > 0
                onClicked: albumPanel.allSelected ? albumPanel.album.clearSelection() : albumPanel.album.selectAllFiltered()
            }
            SkyButton {
                kind: "ghost"
                text: albumPanel.tr("Clear", "清空")
                tip: albumPanel.tr("Clear the selection", "清空选择")
                enabled: albumPanel.selected > 0
                onClicked: albumPanel.album.clearSelection()
            }
            Text {
                objectName: "selectionSummary"
                Layout.fillWidth: true
                text: AlbumRules.selectionSummary(albumPanel.selected, albumPanel.zh)
                color: albumPanel.selected > 0 ? Theme.text : Theme.textTertiary
                font.pixelSize: Theme.fontBody
                elide: Text.ElideRight
            }
            SkyButton {
                objectName: "downloadSelected"
                kind: "primary"
                iconName: "download"
                text: AlbumRules.withCount(albumPanel.tr("Download selected", "下载选中"), albumPanel.selected)
                tip: albumPanel.tr("Download the selected files to the save folder", "下载选中的文件到保存目录")
                enabled: albumPanel.selected > 0 && !!albumPanel.album && !albumPanel.album.downloading && !albumPanel.album.deleting
                onClicked: albumPanel.album.downloadSelected()
            }
            SkyButton {
                objectName: "deleteSelected"
                kind: "danger"
                iconName: "trash"
                text: AlbumRules.withCount(albumPanel.tr("Delete selected", "删除选中"), albumPanel.selected)
                tip: albumPanel.tr("Delete the selected files from the memory card", "从存储卡删除选中的文件")
                enabled: albumPanel.selected > 0 && !!albumPanel.album && !albumPanel.album.downloading && !albumPanel.album.deleting
                onClicked: albumPanel.askDeleteSelected()
            }
        }

        // Grid.
        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true
            GridView {
                id: grid
                objectName: "albumGrid"
                anchors.fill: parent
                anchors.leftMargin: Theme.gapL
                anchors.rightMargin: Theme.gapS
                clip: true
                readonly property real baseCell: Theme.s(168)
                cellWidth: Math.floor(width / Math.max(1, Math.floor(width / baseCell)))
                cellHeight: Theme.s(160)
                model: albumPanel.items
                boundsBehavior: Flickable.StopAtBounds
                ScrollBar.vertical: ScrollBar {}
                Accessible.role: Accessible.List
                Accessible.name: albumPanel.tr("Media files", "媒体文件")
                delegate: MediaTile {
                    width: grid.cellWidth - Theme.gapS
                    height: grid.cellHeight - Theme.gapS
                    item: modelData
                    album: albumPanel.album
                    generation: albumPanel.thumbnailGeneration
                    onPreviewRequested: albumPanel.openPreview(modelData)
                    onDeleteRequested: albumPanel.askDeleteOne(modelData.path, AlbumRules.itemName(modelData))
                }
            }
            Column {
                anchors.centerIn: parent
                spacing: Theme.gapM
                visible: albumPanel.filtered.length === 0
                Icon {
                    anchors.horizontalCenter: parent.horizontalCenter
                    name: "album"
                    size: Theme.s(44)
                    color: Theme.textDisabled
                    visible: !(albumPanel.album && albumPanel.album.loading)
                }
                BusyIndicator {
                    anchors.horizontalCenter: parent.horizontalCenter
                    running: !!albumPanel.album && albumPanel.album.loading
                    visible: running
                }
                Text {
                    objectName: "albumEmpty"
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: albumPanel.album && albumPanel.album.loading ? AlbumRules.refreshLabel(true, albumPanel.zh)
                                                                       : albumPanel.tr("No media files", "暂无媒体文件")
                    color: Theme.textTertiary
                    font.pixelSize: Theme.fontLabel
                }
            }
        }

        // Footer.
        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: Theme.s(56)
            color: Theme.surface
            Rectangle { width: parent.width; height: 1; color: Theme.divider }
            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: Theme.gapL
                anchors.rightMargin: Theme.gapL
                spacing: Theme.gapS
                SkyButton {
                    objectName: "previousPage"
                    kind: "ghost"
                    iconName: "left"
                    text: albumPanel.tr("Previous", "上一页")
                    tip: text
                    enabled: !!albumPanel.album && albumPanel.album.canGoPrevious
                    onClicked: albumPanel.album.previousPage()
                }
                Text {
                    objectName: "pageIndicator"
                    text: albumPanel.album ? albumPanel.album.currentPage + " / " + albumPanel.album.totalPages : "1 / 1"
                    color: Theme.textSecondary
                    font.pixelSize: Theme.fontBody
                    font.family: Theme.monoFamily
                }
                SkyButton {
                    objectName: "nextPage"
                    kind: "ghost"
                    iconName: "right"
                    text: albumPanel.tr("Next", "下一页")
                    tip: text
                    enabled: !!albumPanel.album && albumPanel.album.canGoNext
                    onClicked: albumPanel.album.nextPage()
                }
                Rectangle { width: 1; Layout.preferredHeight: Theme.s(24); color: Theme.divider }
                Text {
                    objectName: "albumStatus"
                    Layout.fillWidth: true
                    text: albumPanel.album && albumPanel.album.statusMessage !== "" ? albumPanel.album.statusMessage
                                                                                 : albumPanel.tr("Ready", "就绪")
                    textFormat: Text.PlainText
                    color: Theme.textSecondary
                    font.pixelSize: Theme.fontSmall
                    elide: Text.ElideRight
                }
                Text {
                    Layout.maximumWidth: Theme.s(280)
                    text: albumPanel.tr("Save to", "保存至") + ": " + (albumPanel.album ? albumPanel.album.downloadDirectory : "")
                    textFormat: Text.PlainText
                    color: Theme.textTertiary
                    font.pixelSize: Theme.fontSmall
                    elide: Text.ElideMiddle
                }
                SkyButton {
                    kind: "ghost"
                    iconName: "folder"
                    text: albumPanel.tr("Open folder", "打开目录")
                    tip: text
                    onClicked: if (albumPanel.album) albumPanel.album.openDownloadDirectory()
                }
                SkyButton {
                    objectName: "cancelDownload"
                    visible: !!albumPanel.album && albumPanel.album.downloading
                    kind: "danger"
                    text: albumPanel.album ? AlbumRules.cancelLabel(albumPanel.album.batchTotal, albumPanel.album.batchCompleted, albumPanel.zh) : ""
                    tip: text
                    onClicked: albumPanel.album.cancelDownload()
                }
            }
            // Download progress along the top edge of the footer.
            Rectangle {
                visible: !!albumPanel.album && albumPanel.album.downloading
                height: Theme.s(2)
                width: parent.width * (albumPanel.album ? albumPanel.album.downloadProgress / 100 : 0)
                color: Theme.accent
                Behavior on width { NumberAnimation { duration: Theme.fast } }
            }
        }
    }

    // Preview overlay.
    Rectangle {
        objectName: "albumPreview"
        anchors.fill: parent
        visible: albumPanel.previewShown
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
                    text: albumPanel.previewName
                    textFormat: Text.PlainText
                    color: Theme.text
                    font.pixelSize: Theme.fontTitle
                    font.weight: Font.DemiBold
                    elide: Text.ElideMiddle
                }
                SkyButton {
                    kind: "danger"
                    iconName: "trash"
                    text: albumPanel.tr("Delete", "删除")
                    tip: albumPanel.tr("Delete this file from the memory card", "从存储卡删除该文件")
                    enabled: !!albumPanel.album && !albumPanel.album.deleting && !albumPanel.album.downloading
                    onClicked: albumPanel.askDeleteOne(albumPanel.previewPath, albumPanel.previewName)
                }
                SkyButton {
                    iconName: "download"
                    text: albumPanel.tr("Download", "下载")
                    tip: albumPanel.tr("Download this file", "下载该文件")
                    enabled: !!albumPanel.album && !albumPanel.album.downloading
                    onClicked: albumPanel.album.downloadFile(albumPanel.previewPath)
                }
                IconButton {
                    objectName: "closePreview"
                    iconName: "close"
                    tip: albumPanel.tr("Close the preview", "关闭预览")
                    onClicked: albumPanel.closePreview()
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
                    visible: !albumPanel.previewVideo || !(albumPanel.album && albumPanel.album.playbackHasFrame)
                    source: albumPanel.previewPicture
                    fillMode: Image.PreserveAspectFit
                    asynchronous: true
                }
                Loader {
                    id: previewSurface
                    anchors.fill: parent
                    active: albumPanel.previewShown && albumPanel.previewVideo && Core.urls !== null
                    source: "AlbumVideoSurface.qml"
                }
                Text {
                    anchors.centerIn: parent
                    visible: albumPanel.previewVideo && !!albumPanel.album && !albumPanel.album.playbackHasFrame
                    text: albumPanel.album && albumPanel.album.playbackError !== "" ? albumPanel.album.playbackError
                                                                                  : albumPanel.tr("Loading video…", "正在加载视频…")
                    color: albumPanel.album && albumPanel.album.playbackError !== "" ? Theme.danger : Theme.textSecondary
                    font.pixelSize: Theme.fontLabel
                }
            }
            RowLayout {
                Layout.fillWidth: true
                visible: albumPanel.previewVideo
                spacing: Theme.gapM
                IconButton {
                    objectName: "pauseResume"
                    iconName: albumPanel.album && albumPanel.album.playbackPaused ? "play" : "pause"
                    framed: true
                    tip: albumPanel.album && albumPanel.album.playbackPaused ? albumPanel.tr("Resume", "继续") : albumPanel.tr("Pause", "暂停")
                    onClicked: albumPanel.album.pauseOrResumeVideo()
                }
                Text {
                    text: AlbumRules.minSec(positionSlider.pressed ? positionSlider.value
                                                                   : (albumPanel.album ? albumPanel.album.playbackPositionMs : 0))
                    color: Theme.textSecondary
                    font.pixelSize: Theme.fontSmall
                    font.family: Theme.monoFamily
                }
                SkySlider {
                    id: positionSlider
                    objectName: "positionSlider"
                    Layout.fillWidth: true
                    from: 0
                    to: Math.max(1, albumPanel.album ? albumPanel.album.playbackTotalMs : 1)
                    tip: albumPanel.tr("Position", "播放位置")
                    Binding on value {
                        when: !positionSlider.pressed
                        value: albumPanel.album ? albumPanel.album.playbackPositionMs : 0
                    }
                    onPressedChanged: if (!pressed && albumPanel.album) albumPanel.album.seekVideo(Math.round(value))
                }
                Text {
                    text: AlbumRules.minSec(albumPanel.album ? albumPanel.album.playbackTotalMs : 0)
                    color: Theme.textSecondary
                    font.pixelSize: Theme.fontSmall
                    font.family: Theme.monoFamily
                }
            }
        }
    }

    // Delete confirmation.
    Rectangle {
        objectName: "deleteConfirm"
        anchors.fill: parent
        visible: albumPanel.confirmShown
        color: Theme.scrim
        MouseArea { anchors.fill: parent; onClicked: albumPanel.confirmShown = false }
        Rectangle {
            anchors.centerIn: parent
            width: Math.min(parent.width - 2 * Theme.gapXl, Theme.s(420))
            height: confirmColumn.implicitHeight + 2 * Theme.gapXl
            radius: Theme.radiusL
            color: Theme.surfaceRaised
            border.color: Theme.borderStrong
            MouseArea { anchors.fill: parent }
            ColumnLayout {
                id: confirmColumn
                x: Theme.gapXl
                y: Theme.gapXl
                width: parent.width - 2 * Theme.gapXl
                spacing: Theme.gapL
                RowLayout {
                    spacing: Theme.gapS
                    Icon { name: "trash"; color: Theme.danger }
                    Text {
                        text: albumPanel.tr("Delete from the memory card", "从存储卡删除")
                        color: Theme.text
                        font.pixelSize: Theme.fontTitle
                        font.weight: Font.DemiBold
                    }
                }
                Text {
                    objectName: "deleteText"
                    Layout.fillWidth: true
                    text: albumPanel.confirmText
                    textFormat: Text.PlainText
                    color: Theme.textSecondary
                    font.pixelSize: Theme.fontLabel
                    wrapMode: Text.WordWrap
                }
                RowLayout {
                    Layout.alignment: Qt.AlignRight
                    spacing: Theme.gapS
                    SkyButton {
                        objectName: "deleteCancel"
                        text: albumPanel.tr("Cancel", "取消")
                        tip: text
                        onClicked: albumPanel.confirmShown = false
                    }
                    SkyButton {
                        objectName: "deleteConfirmButton"
                        kind: "danger"
                        iconName: "trash"
                        text: albumPanel.tr("Delete", "删除")
                        tip: text
                        onClicked: albumPanel.confirmDelete()
                    }
                }
            }
        }
    }
}
