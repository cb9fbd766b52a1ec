import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// The current page of media as tiles, or what to show when the filter
// leaves nothing (a busy indicator while the list loads).
Item {
    // The album panel whose state this part shows and drives.
    property Item panel
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
        model: panel.items
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {}
        Accessible.role: Accessible.List
        Accessible.name: panel.tr("Media files", "媒体文件")
        delegate: MediaTile {
            width: grid.cellWidth - Theme.gapS
            height: grid.cellHeight - Theme.gapS
            item: modelData
            album: panel.album
            generation: panel.thumbnailGeneration
            onPreviewRequested: panel.openPreview(modelData)
            onDeleteRequested: panel.askDeleteOne(modelData.path, AlbumRules.itemName(modelData))
        }
    }
    Column {
        anchors.centerIn: parent
        spacing: Theme.gapM
        visible: panel.filtered.length === 0
        Icon {
            anchors.horizontalCenter: parent.horizontalCenter
            name: "album"
            size: Theme.s(44)
            color: Theme.textDisabled
            visible: !(panel.album && panel.album.loading)
        }
        BusyIndicator {
            anchors.horizontalCenter: parent.horizontalCenter
            running: !!panel.album && panel.album.loading
            visible: running
        }
        Text {
            objectName: "albumEmpty"
            anchors.horizontalCenter: parent.horizontalCenter
            text: panel.album && panel.album.loading ? AlbumRules.refreshLabel(true, panel.zh)
                                                               : panel.tr("No media files", "暂无媒体文件")
            color: Theme.textTertiary
            font.pixelSize: Theme.fontLabel
        }
    }
}
