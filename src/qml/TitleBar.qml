import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import QtQuick.Window 2.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// The custom title bar of the frameless window: drag to move, double-click
// to maximise, and the three window buttons.
Rectangle {
    id: bar
    property var window
    property var helper
    property bool onPage: false
    color: Theme.window

    Rectangle {
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: Theme.divider
    }

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.LeftButton
        onPressed: {
            if (bar.window && bar.window.visibility !== Window.Maximized && bar.helper)
                bar.helper.startSystemMove()
        }
        onDoubleClicked: if (bar.window) bar.window.toggleMaximised()
    }

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: Theme.gapL
        spacing: Theme.gapM

        AppMark {
            Layout.preferredWidth: Theme.s(22)
            Layout.preferredHeight: Theme.s(22)
        }
        Text {
            text: "Skyrig"
            color: Theme.text
            font.pixelSize: Theme.fontLabel
            font.weight: Font.DemiBold
            font.letterSpacing: 0.4
        }
        Text {
            text: bar.window ? bar.window.title : ""
            color: Theme.textTertiary
            font.pixelSize: Theme.fontSmall
            elide: Text.ElideRight
            Layout.maximumWidth: Theme.s(260)
        }
        Chip {
            visible: bar.onPage && Core.modelId !== ""
            text: Core.modelId
            tone: Theme.accent
            iconName: "gimbal"
        }
        Chip {
            visible: bar.onPage
            objectName: "titleLinkChip"
            text: Core.ready ? (Core.reporting ? Core.tr("Ready", "就绪") : Core.tr("No reports", "无上报"))
                             : Core.linkUp ? Core.tr("Handshaking", "握手中")
                                           : Core.tr("Offline", "未连接")
            tone: Core.ready && Core.reporting ? Theme.success : Core.linkUp ? Theme.warning : Theme.textTertiary
            pulse: Core.linkUp && !Core.ready
        }
        Item { Layout.fillWidth: true }

        Row {
            Layout.fillHeight: true
            Repeater {
                model: [
                    { icon: "minimize", en: "Minimise", zh: "最小化", act: "min" },
                    { icon: bar.window && bar.window.visibility === Window.Maximized ? "restore" : "maximize",
                      en: bar.window && bar.window.visibility === Window.Maximized ? "Restore" : "Maximise",
                      zh: bar.window && bar.window.visibility === Window.Maximized ? "还原" : "最大化", act: "max" },
                    { icon: "close", en: "Close", zh: "关闭", act: "close" }
                ]
                delegate: AbstractButton {
                    id: winButton
                    width: Theme.s(46)
                    height: bar.height
                    hoverEnabled: true
                    focusPolicy: Qt.NoFocus
                    Accessible.role: Accessible.Button
                    Accessible.name: Core.tr(modelData.en, modelData.zh)
                    ToolTip.text: Accessible.name
                    ToolTip.visible: hovered
                    ToolTip.delay: 800
                    onClicked: {
                        if (modelData.act === "min")
                            bar.window.showMinimized()
                        else if (modelData.act === "max")
                            bar.window.toggleMaximised()
                        else
                            bar.window.close()
                    }
                    background: Rectangle {
                        color: winButton.hovered ? (modelData.act === "close" ? "#d9364a" : Theme.surfaceHigh)
                                                 : "transparent"
                        Behavior on color { ColorAnimation { duration: Theme.fast } }
                    }
                    contentItem: Item {
                        Icon {
                            anchors.centerIn: parent
                            name: modelData.icon
                            size: Theme.iconSize * 0.85
                            color: winButton.hovered ? Theme.text : Theme.textSecondary
                        }
                    }
                }
            }
        }
    }
}
