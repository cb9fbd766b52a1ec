import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0
import "album"

// The media album on the camera's memory card: header, tool row, a grid of
// the current page, footer with pages, status and downloads, and the photo
// and video previews. All album state lives in the album object; the
// overlays' state and the rules between the parts live here, and the parts in
// album/ show it and call back into it.
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
    // The length the album lists for the previewed clip ("" when none).
    property string previewDuration: ""
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
        previewDuration = item.durationText || ""
        previewPicture = album.thumbnailForPath(item.path)
        previewVideo = item.type === "video"
        previewShown = true
        if (previewVideo) {
            preview.resetPosition()
            Qt.callLater(function () {
                if (previewShown && previewVideo && album) {
                    album.setPlaybackVideoTarget(preview.frame)
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
        AlbumHeader { panel: albumPanel }
        AlbumToolRow { panel: albumPanel }
        AlbumGrid { panel: albumPanel }
        AlbumFooter { panel: albumPanel }
    }

    AlbumPreview {
        id: preview
        panel: albumPanel
    }
    AlbumDeleteConfirm { panel: albumPanel }
}
