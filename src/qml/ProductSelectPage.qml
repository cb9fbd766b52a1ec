import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import QtQml.Models 2.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// The product picker: the catalogue as cards in the operator's own order
// (drag a card to move it), language and title-bar switches, and the
// version. Confirming stores the choice and opens the main page.
Page {
    id: picker
    objectName: "productPicker"
    signal confirmed(string productName, string productId, bool zh)

    property bool zh: Core.zh
    property var products: Core.settings && Core.camera
                           ? Core.settings.orderedModels(Core.camera.supportedModels()) : []
    property string selectedId: Core.settings && Core.settings.hasProduct ? Core.settings.productId
                                : (products.length > 0 ? products[0].id : "")
    readonly property string selectedName: {
        for (var i = 0; i < products.length; ++i) {
            if (products[i].id === selectedId)
                return products[i].name
        }
        return selectedId
    }

    function confirm() {
        if (selectedId === "")
            return
        if (Core.settings)
            Core.settings.saveProduct(selectedName, selectedId, zh)
        confirmed(selectedName, selectedId, zh)
    }
    function saveOrder() {
        var ids = []
        for (var i = 0; i < visualModel.items.count; ++i)
            ids.push(visualModel.items.get(i).model.modelData.id)
        if (Core.settings)
            Core.settings.setProductOrder(ids)
    }

    background: Rectangle {
        color: Theme.window
        Rectangle {
            anchors.fill: parent
            opacity: 0.9
            gradient: Gradient {
                GradientStop { position: 0.0; color: "#0f1d33" }
                GradientStop { position: 0.55; color: Theme.window }
            }
        }
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.leftMargin: Theme.s(48)
        anchors.rightMargin: Theme.s(48)
        anchors.topMargin: Theme.s(36)
        anchors.bottomMargin: Theme.s(24)
        spacing: Theme.gapL

        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.gapL
            ColumnLayout {
                Layout.fillWidth: true
                spacing: Theme.gapXs
                Text {
                    text: Core.tr("Choose your gimbal camera", "选择云台相机型号")
                    color: Theme.text
                    font.pixelSize: Theme.fontDisplay
                    font.weight: Font.DemiBold
                }
                Text {
                    Layout.fillWidth: true
                    text: Core.tr("The product decides which controls, ranges and addresses apply. Drag a card to reorder the list.",
                                  "型号决定可用的功能、范围与默认地址。拖动卡片可调整顺序。")
                    color: Theme.textSecondary
                    font.pixelSize: Theme.fontLabel
                    wrapMode: Text.WordWrap
                }
            }
            Segmented {
                objectName: "languageSwitch"
                Layout.preferredWidth: Theme.s(180)
                tip: Core.tr("Interface language", "界面语言")
                options: [{ label: "中文", icon: "language" }, { label: "English" }]
                currentIndex: picker.zh ? 0 : 1
                onActivated: {
                    if (Core.settings)
                        Core.settings.setIsChinese(index === 0)
                }
            }
        }

        GridView {
            id: grid
            objectName: "productGrid"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            focus: true
            keyNavigationEnabled: true
            readonly property int columns: Math.max(2, Math.floor(width / Theme.s(250)))
            cellWidth: Math.floor(width / columns)
            cellHeight: Math.round(cellWidth * 0.86)
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar {}
            Accessible.role: Accessible.List
            Accessible.name: Core.tr("Products", "产品")
            Keys.onReturnPressed: picker.confirm()
            Keys.onEnterPressed: picker.confirm()
            // Arrow keys move the selection; the stored product is selected
            // at first.
            onCurrentIndexChanged: {
                if (activeFocus && currentIndex >= 0 && currentIndex < visualModel.items.count)
                    picker.selectedId = visualModel.items.get(currentIndex).model.modelData.id
            }
            Component.onCompleted: {
                for (var i = 0; i < picker.products.length; ++i) {
                    if (picker.products[i].id === picker.selectedId)
                        currentIndex = i
                }
            }
            displaced: Transition { NumberAnimation { properties: "x,y"; duration: Theme.normal; easing.type: Easing.OutCubic } }
            model: DelegateModel {
                id: visualModel
                model: picker.products
                delegate: DropArea {
                    id: cell
                    width: grid.cellWidth
                    height: grid.cellHeight
                    readonly property int visualIndex: DelegateModel.itemsIndex
                    onEntered: visualModel.items.move(drag.source.visualIndex, cell.visualIndex)

                    ProductCard {
                        id: card
                        readonly property int visualIndex: cell.visualIndex
                        width: cell.width - Theme.gapL
                        height: cell.height - Theme.gapL
                        anchors.centerIn: dragArea.drag.active ? undefined : parent
                        productId: modelData.id
                        productName: modelData.name
                        selected: picker.selectedId === modelData.id
                        dragging: dragArea.drag.active
                        Drag.active: dragArea.drag.active
                        Drag.source: card
                        Drag.hotSpot.x: width / 2
                        Drag.hotSpot.y: height / 2
                        states: State {
                            when: dragArea.drag.active
                            ParentChange { target: card; parent: grid }
                        }
                        MouseArea {
                            id: dragArea
                            anchors.fill: parent
                            drag.target: card
                            cursorShape: drag.active ? Qt.ClosedHandCursor : Qt.PointingHandCursor
                            onClicked: {
                                picker.selectedId = modelData.id
                                grid.currentIndex = cell.visualIndex
                            }
                            onDoubleClicked: {
                                picker.selectedId = modelData.id
                                picker.confirm()
                            }
                            onReleased: {
                                if (drag.active || card.Drag.active)
                                    picker.saveOrder()
                            }
                        }
                    }
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: Theme.s(64)
            radius: Theme.radiusL
            color: Theme.surfaceRaised
            border.color: Theme.divider
            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: Theme.gapL
                anchors.rightMargin: Theme.gapL
                spacing: Theme.gapL
                SkySwitch {
                    objectName: "titleBarSwitch"
                    text: Core.tr("Custom title bar", "自定义标题栏")
                    tip: Core.tr("Draw the window's own title bar instead of the system frame",
                                 "使用程序自绘的标题栏代替系统边框")
                    checked: Core.settings ? Core.settings.useCustomTitleBar : true
                    onToggled: if (Core.settings) Core.settings.setUseCustomTitleBar(checked)
                }
                SkySwitch {
                    objectName: "recordTelemetrySwitch"
                    text: Core.tr("Telemetry with recordings", "录像附带遥测")
                    tip: Core.tr("Write subtitles (.srt) and a table (.csv) of the gimbal's angles, zoom and range beside every local recording",
                                 "每段本地录像旁写入云台角度、变焦和测距的字幕（.srt）与表格（.csv）")
                    checked: Core.settings ? Core.settings.recordTelemetry : true
                    onToggled: if (Core.settings) Core.settings.setRecordTelemetry(checked)
                }
                Item { Layout.fillWidth: true }
                Text {
                    objectName: "versionText"
                    text: Core.tr("Version ", "版本 ") + (Qt.application.version !== "" ? Qt.application.version : "1.0.15")
                    color: Theme.textTertiary
                    font.pixelSize: Theme.fontSmall
                }
                Text {
                    visible: picker.selectedId !== ""
                    text: picker.selectedName
                    color: Theme.textSecondary
                    font.pixelSize: Theme.fontLabel
                }
                SkyButton {
                    objectName: "confirmProduct"
                    kind: "primary"
                    iconName: "right"
                    text: Core.tr("Open", "进入")
                    tip: Core.tr("Open the control page for the selected product",
                                 "进入所选型号的控制页面")
                    enabled: picker.selectedId !== ""
                    onClicked: picker.confirm()
                }
            }
        }
    }
}
