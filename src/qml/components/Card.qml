import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0

// A titled group of controls. Children are laid out in a column.
Rectangle {
    id: card
    property string title: ""
    property string subtitle: ""
    property string iconName: ""
    property alias headerExtra: extra.data
    default property alias content: body.data
    signal titleClicked()

    Layout.fillWidth: true
    width: parent ? parent.width : implicitWidth
    // Positioners, not bindings on the children's heights: wrapped texts and
    // a language switch change those while the card is being measured, which
    // a chain of bindings reports as a loop.
    implicitHeight: stack.height + 2 * Theme.gapL
    radius: Theme.radiusL
    color: Theme.surfaceRaised
    border.color: Theme.divider

    Column {
        id: stack
        x: Theme.gapL
        y: Theme.gapL
        width: card.width - 2 * Theme.gapL
        spacing: Theme.gapM

        Item {
            id: header
            width: stack.width
            visible: card.title !== ""
            height: Math.max(heading.height, extra.height)
            Column {
                id: heading
                width: header.width
                spacing: 2
                Item {
                    width: heading.width
                    height: titleText.height
                    Icon {
                        id: mark
                        visible: card.iconName !== ""
                        name: card.iconName
                        color: Theme.accent
                        size: Theme.iconSize
                        y: (titleText.height - height) / 2
                    }
                    Text {
                        id: titleText
                        x: mark.visible ? mark.width + Theme.gapS : 0
                        width: header.width - x - extra.width - Theme.gapS
                        text: card.title
                        textFormat: Text.PlainText
                        color: Theme.text
                        font.pixelSize: Theme.fontLabel
                        font.weight: Font.DemiBold
                        elide: Text.ElideRight
                        TapHandler { onTapped: card.titleClicked() }
                    }
                }
                Text {
                    id: subtitleText
                    visible: card.subtitle !== ""
                    x: titleText.x
                    width: header.width - x
                    text: card.subtitle
                    textFormat: Text.PlainText
                    color: Theme.textTertiary
                    font.pixelSize: Theme.fontSmall
                    wrapMode: Text.WordWrap
                }
            }
            Row {
                id: extra
                x: header.width - width
                spacing: Theme.gapS
            }
        }

        ColumnLayout {
            id: body
            width: stack.width
            spacing: Theme.gapM
        }
    }
}
