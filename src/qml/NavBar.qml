import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// The navigation rail: the sections the selected product has, by id.
Rectangle {
    id: rail
    objectName: "navBar"
    property int current: NavRules.initialSection
    property var caps: Core.camera
    readonly property var ids: NavRules.visibleIds(caps)
    signal selected(int sectionId)

    readonly property var icons: ({ 0: "home", 1: "link", 2: "gimbal", 3: "camera", 9: "laser",
                                    4: "channels", 5: "network", 6: "ai", 7: "osd", 8: "device",
                                    10: "gamepad" })

    color: Theme.surface
    Rectangle {
        anchors.right: parent.right
        width: 1
        height: parent.height
        color: Theme.divider
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.topMargin: Theme.gapM
        anchors.bottomMargin: Theme.gapM
        spacing: Theme.gapXs

        Repeater {
            model: rail.ids
            delegate: AbstractButton {
                id: entry
                objectName: "nav_" + modelData
                readonly property bool isCurrent: modelData === rail.current
                readonly property string label: NavRules.label(modelData, Core.zh, Core.modelId)
                Layout.alignment: Qt.AlignHCenter
                Layout.preferredWidth: rail.width - 2 * Theme.gapS
                Layout.preferredHeight: Theme.s(58)
                hoverEnabled: true
                focusPolicy: Qt.StrongFocus
                checkable: false
                Accessible.role: Accessible.PageTab
                Accessible.name: modelData === 0 ? Core.tr("Home: ", "主页：") + (Core.modelId || label) : label
                ToolTip.text: modelData === 0 ? (Core.modelId !== "" ? Core.modelId + " — " + Core.tr("back to the product list", "返回产品列表")
                                                                     : Core.tr("Product list", "产品列表"))
                                              : NavRules.title(modelData, Core.zh)
                ToolTip.visible: hovered
                ToolTip.delay: 500
                onClicked: rail.selected(modelData)

                background: Rectangle {
                    radius: Theme.radiusM
                    color: entry.isCurrent ? Theme.accentSoft : entry.hovered ? Theme.surfaceRaised : "transparent"
                    border.width: entry.visualFocus ? 2 : 0
                    border.color: Theme.accent
                    Behavior on color { ColorAnimation { duration: Theme.fast } }
                    Rectangle {
                        visible: entry.isCurrent
                        x: -Theme.gapS + 1
                        anchors.verticalCenter: parent.verticalCenter
                        width: Theme.s(3)
                        height: parent.height * 0.55
                        radius: width / 2
                        color: Theme.accent
                    }
                }
                contentItem: Column {
                    spacing: Theme.gapXs
                    topPadding: Theme.gapS
                    Icon {
                        anchors.horizontalCenter: parent.horizontalCenter
                        name: rail.icons[modelData]
                        size: Theme.iconSize * 1.15
                        color: entry.isCurrent ? Theme.accent : entry.hovered ? Theme.text : Theme.textSecondary
                    }
                    Text {
                        width: parent.width
                        horizontalAlignment: Text.AlignHCenter
                        text: entry.label
                        color: entry.isCurrent ? Theme.text : Theme.textSecondary
                        font.pixelSize: modelData === 0 ? Theme.fontCaption : Theme.fontSmall
                        font.weight: entry.isCurrent ? Font.DemiBold : Font.Normal
                        elide: Text.ElideRight
                    }
                }
            }
        }
        Item { Layout.fillHeight: true }
        Rectangle {
            Layout.alignment: Qt.AlignHCenter
            width: Theme.s(10)
            height: width
            radius: width / 2
            color: Core.ready ? Theme.success : Core.linkUp ? Theme.warning : Theme.textDisabled
            Accessible.role: Accessible.Indicator
            Accessible.name: Core.ready ? Core.tr("Link ready", "链路就绪") : Core.tr("Link down", "链路未连接")
        }
    }
}
