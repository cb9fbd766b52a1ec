import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// The album's footer: the pages, the status text, the save folder, and the
// download cancel with the progress along its top edge.
Rectangle {
    // The album panel whose state this part shows and drives.
    property Item panel
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
            text: panel.tr("Previous", "上一页")
            tip: text
            enabled: !!panel.album && panel.album.canGoPrevious
            onClicked: panel.album.previousPage()
        }
        Text {
            objectName: "pageIndicator"
            text: panel.album ? panel.album.currentPage + " / " + panel.album.totalPages : "1 / 1"
            color: Theme.textSecondary
            font.pixelSize: Theme.fontBody
            font.family: Theme.monoFamily
        }
        SkyButton {
            objectName: "nextPage"
            kind: "ghost"
            iconName: "right"
            text: panel.tr("Next", "下一页")
            tip: text
            enabled: !!panel.album && panel.album.canGoNext
            onClicked: panel.album.nextPage()
        }
        Rectangle { width: 1; Layout.preferredHeight: Theme.s(24); color: Theme.divider }
        Text {
            objectName: "albumStatus"
            Layout.fillWidth: true
            text: panel.album && panel.album.statusMessage !== "" ? panel.album.statusMessage
                                                                         : panel.tr("Ready", "就绪")
            textFormat: Text.PlainText
            color: Theme.textSecondary
            font.pixelSize: Theme.fontSmall
            elide: Text.ElideRight
        }
        Text {
            Layout.maximumWidth: Theme.s(280)
            text: panel.tr("Save to", "保存至") + ": " + (panel.album ? panel.album.downloadDirectory : "")
            textFormat: Text.PlainText
            color: Theme.textTertiary
            font.pixelSize: Theme.fontSmall
            elide: Text.ElideMiddle
        }
        SkyButton {
            kind: "ghost"
            iconName: "folder"
            text: panel.tr("Open folder", "打开目录")
            tip: text
            onClicked: if (panel.album) panel.album.openDownloadDirectory()
        }
        SkyButton {
            objectName: "cancelDownload"
            visible: !!panel.album && panel.album.downloading
            kind: "danger"
            text: panel.album ? AlbumRules.cancelLabel(panel.album.batchTotal, panel.album.batchCompleted, panel.zh) : ""
            tip: text
            onClicked: panel.album.cancelDownload()
        }
    }
    // Download progress along the top edge of the footer.
    Rectangle {
        visible: !!panel.album && panel.album.downloading
        height: Theme.s(2)
        width: parent.width * (panel.album ? panel.album.downloadProgress / 100 : 0)
        color: Theme.accent
        Behavior on width { NumberAnimation { duration: Theme.fast } }
    }
}
