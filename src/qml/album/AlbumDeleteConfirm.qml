import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// The confirmation before files are deleted from the memory card.
Rectangle {
    objectName: "deleteConfirm"
    // The album panel whose state this part shows and drives.
    property Item panel
    anchors.fill: parent
    visible: panel.confirmShown
    color: Theme.scrim
    MouseArea { anchors.fill: parent; onClicked: panel.confirmShown = false }
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
                    text: panel.tr("Delete from the memory card", "从存储卡删除")
                    color: Theme.text
                    font.pixelSize: Theme.fontTitle
                    font.weight: Font.DemiBold
                }
            }
            Text {
                objectName: "deleteText"
                Layout.fillWidth: true
                text: panel.confirmText
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
                    text: panel.tr("Cancel", "取消")
                    tip: text
                    onClicked: panel.confirmShown = false
                }
                SkyButton {
                    objectName: "deleteConfirmButton"
                    kind: "danger"
                    iconName: "trash"
                    text: panel.tr("Delete", "删除")
                    tip: text
                    onClicked: panel.confirmDelete()
                }
            }
        }
    }
}
