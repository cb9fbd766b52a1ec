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
    implicitHeight: body.y + body.implicitHeight + Theme.gapL
    radius: Theme.radiusL
    color: Theme.surfaceRaised
    border.color: Theme.divider

    Item {
        id: header
        x: Theme.gapL
        y: Theme.gapL
        width: card.width - 2 * Theme.gapL
        visible: card.title !== ""
        height: visible ? Math.max(titleText.height + (subtitleText.visible ? subtitleText.height + 2 : 0),
                                   extra.height) : 0
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
            color: Theme.text
            font.pixelSize: Theme.fontLabel
            font.weight: Font.DemiBold
            elide: Text.ElideRight
            TapHandler { onTapped: card.titleClicked() }
        }
        Text {
            id: subtitleText
            visible: card.subtitle !== ""
            x: titleText.x
            y: titleText.height + 2
            width: header.width - x
            text: card.subtitle
            color: Theme.textTertiary
            font.pixelSize: Theme.fontSmall
            wrapMode: Text.WordWrap
        }
        Row {
            id: extra
            x: header.width - width
            spacing: Theme.gapS
        }
    }
    ColumnLayout {
        id: body
        x: Theme.gapL
        y: header.visible ? header.y + header.height + Theme.gapM : Theme.gapL
        width: card.width - 2 * Theme.gapL
        spacing: Theme.gapM
    }
}
