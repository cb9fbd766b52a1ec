import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// The album's header: back, title, whether to tell the camera this
// computer's address, the save folder, refresh and close.
Rectangle {
    // The album panel whose state this part shows and drives.
    property Item panel
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
            text: panel.tr("Back", "返回")
            tip: panel.tr("Back to the live video", "返回实时视频")
            onClicked: if (panel.album) panel.album.closeAlbum()
        }
        Icon { name: "album"; color: Theme.accent }
        Text {
            text: panel.tr("Album", "相册")
            color: Theme.text
            font.pixelSize: Theme.fontHeading
            font.weight: Font.DemiBold
        }
        Item { Layout.fillWidth: true }
        SkyCheck {
            objectName: "sendEndpoint"
            text: panel.tr("Send local IP/port", "发送本机 IP/端口")
            tip: panel.tr("Before opening the album, downloading or playing, tell the camera this computer's address and port (remembered per product)",
                               "打开相册、下载、回放前，向相机下发本机地址与端口（按机型记住）")
            checked: !!panel.album && panel.album.sendClientEndpoint
            onToggled: if (panel.album) panel.album.sendClientEndpoint = checked
        }
        IconButton {
            objectName: "albumFolder"
            iconName: "folder"
            tip: panel.tr("Choose save folder", "选择保存目录")
            onClicked: if (panel.album) panel.album.pickDownloadDirectory()
        }
        IconButton {
            objectName: "albumRefresh"
            iconName: "refresh"
            tip: AlbumRules.refreshLabel(!!panel.album && panel.album.loading, panel.zh)
            enabled: !!panel.album && !panel.album.loading
            RotationAnimator on rotation {
                running: !!panel.album && panel.album.loading
                loops: Animation.Infinite
                from: 0
                to: 360
                duration: 900
            }
            onClicked: panel.album.refresh()
        }
        IconButton {
            objectName: "albumClose"
            iconName: "close"
            tip: panel.tr("Close", "关闭")
            onClicked: if (panel.album) panel.album.closeAlbum()
        }
    }
}
