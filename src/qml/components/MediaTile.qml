import QtQuick 2.15
import QtQuick.Controls 2.15
import Skyrig.Theme 1.0
import "AlbumRules.js" as Rules

// One file of the album grid: thumbnail (or a camera / video icon until it
// arrives), name, size and time, duration badge, playing and download tags,
// the selection tick and, for videos, the play button.
Rectangle {
    id: tile
    property var item
    property var album
    property int generation: 0
    signal previewRequested()
    signal deleteRequested()

    readonly property bool isVideo: !!item && item.type === "video"
    readonly property bool selected: !!album && !!item && album.selectedPaths.indexOf(item.path) >= 0
    readonly property bool busy: !!album && album.downloading
    readonly property bool deleting: !!album && album.deleting
    readonly property string thumb: {
        generation // re-read when a thumbnail arrives
        return album && item ? album.thumbnailForPath(item.path) : ""
    }

    radius: Theme.radiusM
    color: hover.hovered ? Theme.surfaceHigh : Theme.surfaceRaised
    border.width: selected ? 2 : 1
    border.color: selected ? Theme.accent : Theme.divider
    opacity: busy ? 0.55 : 1
    enabled: !busy
    Accessible.role: Accessible.ListItem
    Accessible.name: Rules.itemName(item) + ", " + Rules.itemMeta(item)
    HoverHandler { id: hover }

    Rectangle {
        id: picture
        x: Theme.gapXs + 1
        y: Theme.gapXs + 1
        width: parent.width - 2 * x
        height: parent.height * 0.62
        radius: Theme.radiusS
        color: Theme.videoBackground
        clip: true
        Image {
            anchors.fill: parent
            source: tile.thumb
            fillMode: Image.PreserveAspectCrop
            asynchronous: true
            visible: status === Image.Ready
        }
        Icon {
            anchors.centerIn: parent
            visible: tile.thumb === ""
            name: tile.isVideo ? "video" : "camera"
            size: Theme.s(32)
            color: Theme.textDisabled
        }
        MouseArea {
            anchors.fill: parent
            onDoubleClicked: if (!tile.isVideo) tile.previewRequested()
        }
        // Play button of a video.
        AbstractButton {
            objectName: "tilePlay"
            visible: tile.isVideo
            enabled: !tile.deleting
            anchors.centerIn: parent
            width: Theme.s(36)
            height: width
            hoverEnabled: true
            Accessible.role: Accessible.Button
            Accessible.name: Core.tr("Play ", "播放 ") + Rules.itemName(tile.item)
            ToolTip.text: Accessible.name
            ToolTip.visible: hovered
            ToolTip.delay: 600
            onClicked: tile.previewRequested()
            background: Rectangle { radius: width / 2; color: parent.hovered ? Theme.accent : Theme.overlay }
            contentItem: Item { Icon { anchors.centerIn: parent; name: "play"; color: Theme.text; size: Theme.iconSize } }
        }
        // Duration badge.
        Rectangle {
            visible: tile.isVideo && !!tile.item && !!tile.item.durationText
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: Theme.gapXs
            width: durationText.implicitWidth + Theme.gapS
            height: durationText.implicitHeight + 2
            radius: Theme.radiusS
            color: Theme.overlay
            Text {
                id: durationText
                anchors.centerIn: parent
                text: tile.item && tile.item.durationText ? tile.item.durationText : ""
                color: Theme.text
                font.pixelSize: Theme.fontCaption
                font.family: Theme.monoFamily
            }
        }
        // Playing / downloading tags.
        Row {
            anchors.left: parent.left
            anchors.bottom: parent.bottom
            anchors.margins: Theme.gapXs
            spacing: Theme.gapXs
            Chip {
                visible: !!tile.album && !!tile.item && tile.album.playingPath === tile.item.path
                text: Core.tr("Playing", "回放中")
                tone: Theme.success
                color: Theme.overlay
            }
            Chip {
                visible: !!tile.album && !!tile.item && tile.album.downloadingPath === tile.item.path
                text: Core.tr("Downloading", "下载中") + " " + (tile.album ? tile.album.downloadProgress : 0) + "%"
                tone: Theme.accent
                color: Theme.overlay
            }
        }
    }
    // Selection tick.
    AbstractButton {
        id: check
        objectName: "tileCheck"
        x: picture.x + Theme.gapXs
        y: picture.y + Theme.gapXs
        width: Theme.s(22)
        height: width
        enabled: !tile.deleting
        hoverEnabled: true
        Accessible.role: Accessible.CheckBox
        Accessible.name: Core.tr("Select ", "选择 ") + Rules.itemName(tile.item)
        Accessible.checked: tile.selected
        ToolTip.text: Accessible.name
        ToolTip.visible: hovered
        ToolTip.delay: 600
        onClicked: if (tile.album && tile.item) tile.album.toggleSelection(tile.item.path)
        background: Rectangle {
            radius: Theme.radiusS
            color: tile.selected ? Theme.accent : Theme.overlay
            border.color: tile.selected ? Theme.accent : Qt.rgba(1, 1, 1, 0.6)
            border.width: 1.5
        }
        contentItem: Item {
            Icon { anchors.centerIn: parent; visible: tile.selected; name: "check"; strokeWidth: 2.6; color: Theme.textOnAccent; size: parent.width * 0.8 }
        }
    }
    Column {
        x: Theme.gapS
        y: picture.y + picture.height + Theme.gapXs
        width: parent.width - 2 * Theme.gapS
        spacing: 1
        Text {
            width: parent.width
            text: Rules.itemName(tile.item)
            textFormat: Text.PlainText
            color: Theme.text
            font.pixelSize: Theme.fontSmall
            font.weight: Font.Medium
            elide: Text.ElideMiddle
        }
        Text {
            width: parent.width
            text: Rules.itemMeta(tile.item)
            textFormat: Text.PlainText
            color: Theme.textTertiary
            font.pixelSize: Theme.fontCaption
            elide: Text.ElideRight
        }
    }
}
