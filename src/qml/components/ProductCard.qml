import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0

// One product of the picker: its family picture, name and what it carries.
Rectangle {
    id: card
    property string productId
    property string productName
    property bool selected: false
    property bool dragging: false

    readonly property string family: {
        var id = productId
        if (id.indexOf("LynxT") === 0) return "lynxt"
        if (id.indexOf("Lynx") === 0) return "lynx"
        if (id.indexOf("Marten") === 0) return "marten"
        if (id.indexOf("Heron-Mini") === 0) return "heronmini"
        if (id.indexOf("Heron") === 0) return "heron"
        if (id.indexOf("Ibis") === 0) return "ibis"
        if (id.indexOf("Otter") === 0) return "otter"
        return "lynx"
    }
    readonly property var blurbs: ({
        "Lynx-2": ["Visible · 40× zoom · compact", "可见光 · 40 倍变焦 · 小型"],
        "LynxT-2": ["Visible + thermal · 40× zoom", "可见光 + 红外 · 40 倍变焦"],
        "LynxT-3": ["Visible + thermal · 32× zoom", "可见光 + 红外 · 32 倍变焦"],
        "Marten": ["Visible + thermal + laser · 16×", "可见光 + 红外 + 激光 · 16 倍"],
        "Heron-Mini-A": ["Tri-sensor · 80× zoom", "三光 · 80 倍变焦"],
        "Heron-Mini-B": ["Tri-sensor · 100× zoom", "三光 · 100 倍变焦"],
        "Heron": ["Tri-sensor · 160× zoom", "三光 · 160 倍变焦"],
        "Ibis": ["Tri-sensor · 400× zoom", "三光 · 400 倍变焦"],
        "Otter": ["Visible + thermal + laser · 360° yaw", "可见光 + 红外 + 激光 · 360° 航向"]
    })

    radius: Theme.radiusL
    color: selected ? Qt.rgba(0.23, 0.66, 1.0, 0.08) : Theme.surfaceRaised
    border.width: selected ? 2 : 1
    border.color: selected ? Theme.accent : hover.hovered ? Theme.borderStrong : Theme.divider
    scale: dragging ? 1.04 : 1.0
    z: dragging ? 10 : 0
    Behavior on scale { NumberAnimation { duration: Theme.fast } }
    Behavior on border.color { ColorAnimation { duration: Theme.fast } }
    Accessible.role: Accessible.ListItem
    Accessible.name: productName
    Accessible.description: blurbs[productId] ? blurbs[productId][0] : ""

    HoverHandler { id: hover }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: Theme.gapM
        spacing: Theme.gapXs
        Image {
            Layout.fillWidth: true
            Layout.fillHeight: true
            source: "qrc:/qml/art/" + card.family + ".svg"
            sourceSize.width: Math.max(64, Math.ceil(width))
            sourceSize.height: Math.max(48, Math.ceil(height))
            fillMode: Image.PreserveAspectFit
            smooth: true
            Accessible.ignored: true
        }
        RowLayout {
            Layout.fillWidth: true
            Text {
                Layout.fillWidth: true
                text: card.productName
                color: Theme.text
                font.pixelSize: Theme.fontTitle
                font.weight: Font.DemiBold
                elide: Text.ElideRight
            }
            Icon {
                name: card.selected ? "check" : "drag"
                color: card.selected ? Theme.accent : Theme.textTertiary
                size: Theme.iconSize
            }
        }
        Text {
            Layout.fillWidth: true
            text: card.blurbs[card.productId] ? card.blurbs[card.productId][Core.zh ? 1 : 0] : ""
            color: Theme.textTertiary
            font.pixelSize: Theme.fontSmall
            elide: Text.ElideRight
        }
    }
}
