import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// The row above the grid: the photo/video filter, select all, clear, the
// selection summary and the batch download and delete.
RowLayout {
    // The album panel whose state this part shows and drives.
    property Item panel
    Layout.fillWidth: true
    Layout.preferredHeight: Theme.s(52)
    Layout.leftMargin: Theme.gapL
    Layout.rightMargin: Theme.gapL
    spacing: Theme.gapS
    Segmented {
        objectName: "albumFilter"
        Layout.preferredWidth: Theme.s(240)
        tip: panel.tr("Show", "显示")
        options: [{ label: panel.tr("All", "全部") }, { label: panel.tr("Photos", "照片"), icon: "photo" },
                  { label: panel.tr("Videos", "视频"), icon: "video" }]
        currentIndex: panel.album ? panel.album.filterIndex : 0
        onActivated: if (panel.album) panel.album.filterIndex = index
    }
    SkyButton {
        objectName: "selectAll"
        kind: "ghost"
        iconName: "check"
        text: AlbumRules.selectAllLabel(panel.allSelected, panel.zh)
        tip: text
        enabled: panel.filtered.length > 0
        onClicked: panel.allSelected ? panel.album.clearSelection() : panel.album.selectAllFiltered()
    }
    SkyButton {
        kind: "ghost"
        text: panel.tr("Clear", "清空")
        tip: panel.tr("Clear the selection", "清空选择")
        enabled: panel.selected > 0
        onClicked: panel.album.clearSelection()
    }
    Text {
        objectName: "selectionSummary"
        Layout.fillWidth: true
        text: AlbumRules.selectionSummary(panel.selected, panel.zh)
        color: panel.selected > 0 ? Theme.text : Theme.textTertiary
        font.pixelSize: Theme.fontBody
        elide: Text.ElideRight
    }
    SkyButton {
        objectName: "downloadSelected"
        kind: "primary"
        iconName: "download"
        text: AlbumRules.withCount(panel.tr("Download selected", "下载选中"), panel.selected)
        tip: panel.tr("Download the selected files to the save folder", "下载选中的文件到保存目录")
        enabled: panel.selected > 0 && !!panel.album && !panel.album.downloading && !panel.album.deleting
        onClicked: panel.album.downloadSelected()
    }
    SkyButton {
        objectName: "deleteSelected"
        kind: "danger"
        iconName: "trash"
        text: AlbumRules.withCount(panel.tr("Delete selected", "删除选中"), panel.selected)
        tip: panel.tr("Delete the selected files from the memory card", "从存储卡删除选中的文件")
        enabled: panel.selected > 0 && !!panel.album && !panel.album.downloading && !panel.album.deleting
        onClicked: panel.askDeleteSelected()
    }
}
