import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import QtQuick.Window 2.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

ApplicationWindow {
    id: win
    objectName: "mainWindow"

    // Set by the command line before the scene is built.
    property string startSection: ""
    property bool smokeAlbum: false

    readonly property bool customTitle: Core.settings ? Core.settings.useCustomTitleBar : true
    readonly property bool maximised: visibility === Window.Maximized
                                      || visibility === Window.FullScreen
    // Design size of the main page and the factor that fits it to the desktop.
    readonly property real designWidth: Theme.designRail + Theme.designPanel + Theme.designVideo
    readonly property real designHeight: Theme.designVideo * 9 / 16 + Theme.designChrome
                                         + (customTitle ? Theme.designTitleBar : 0)
    readonly property real availableWidth: Math.max(640, Screen.desktopAvailableWidth)
    readonly property real availableHeight: Math.max(400, Screen.desktopAvailableHeight)
    readonly property real fitScale: Math.max(0.6, Math.min(1.25, availableWidth / designWidth,
                                                            availableHeight / designHeight))

    title: Core.tr("Gimbal Camera Control", "云台相机控制")
    width: Math.min(Math.round(designWidth * fitScale), availableWidth)
    height: Math.min(Math.round(designHeight * fitScale), availableHeight)
    // The smallest window that keeps a 640-wide video area beside the rail
    // and the narrowest panel. The window fitter applies it, limited to the
    // screen, whenever it fits the window (start and every screen change).
    readonly property int preferredMinimumWidth: Math.round((Theme.designRail + Theme.designPanelMin + 640) * fitScale)
    readonly property int preferredMinimumHeight: Math.round(480 * fitScale)
    color: Theme.window
    flags: customTitle ? (Qt.Window | Qt.FramelessWindowHint) : Qt.Window
    font.pixelSize: Theme.fontBody

    // Dark palette for every control that keeps the toolkit's own look
    // (tool tips, menus, scroll bars).
    palette.window: Theme.surface
    palette.windowText: Theme.text
    palette.base: Theme.input
    palette.alternateBase: Theme.surfaceRaised
    palette.text: Theme.text
    palette.button: Theme.surfaceRaised
    palette.buttonText: Theme.text
    palette.brightText: Theme.text
    palette.highlight: Theme.accent
    palette.highlightedText: Theme.textOnAccent
    palette.toolTipBase: Theme.surfaceHigh
    palette.toolTipText: Theme.text
    palette.mid: Theme.border
    palette.dark: Theme.window
    palette.light: Theme.surfaceHigh
    palette.midlight: Theme.surfaceRaised
    palette.shadow: "#000000"
    palette.link: Theme.accent

    Binding { target: Theme; property: "scale"; value: win.fitScale }

    // Toggling the title-bar style needs new window flags, which only take
    // effect on a hidden window; the maximised state is kept.
    property bool lastCustomTitle: customTitle
    onCustomTitleChanged: {
        if (customTitle === lastCustomTitle)
            return
        lastCustomTitle = customTitle
        if (!visible)
            return
        var wasMaximised = maximised
        hide()
        flags = customTitle ? (Qt.Window | Qt.FramelessWindowHint) : Qt.Window
        if (wasMaximised)
            showMaximized()
        else
            show()
    }

    function toggleMaximised() {
        if (visibility === Window.Maximized)
            showNormal()
        else
            showMaximized()
    }

    FramelessHelper {
        id: frameless
        window: win
        enabled: win.customTitle
        borderWidth: Theme.s(6)
        cornerRadius: win.customTitle && !win.maximised ? Theme.s(12) : 0
    }

    // Opening the main page: language, then the product, then the page.
    function chooseProduct(id, zh) {
        if (Core.settings)
            Core.settings.setIsChinese(zh)
        if (Core.control)
            Core.control.setModel(id)
    }
    function openProduct(name, id, zh) {
        chooseProduct(id, zh)
        if (!stack.currentItem || stack.currentItem.objectName !== "mainPage")
            stack.push(mainPageComponent, { initialSection: NavRules.parseSection(startSection) })
    }
    function returnToPicker() {
        if (Core.album && Core.album.open)
            Core.album.closeAlbum()
        if (stack.depth > 1)
            stack.pop()
    }

    Rectangle {
        id: frame
        anchors.fill: parent
        color: Theme.window
        radius: frameless.cornerRadius
        border.color: win.customTitle && !win.maximised ? Theme.borderStrong : "transparent"
        clip: true

        ColumnLayout {
            anchors.fill: parent
            anchors.margins: win.customTitle && !win.maximised ? 1 : 0
            spacing: 0

            TitleBar {
                id: titleBar
                visible: win.customTitle
                Layout.fillWidth: true
                Layout.preferredHeight: Theme.s(Theme.designTitleBar)
                window: win
                helper: frameless
                onPage: stack.depth > 1
            }

            StackView {
                id: stack
                objectName: "pageStack"
                Layout.fillWidth: true
                Layout.fillHeight: true
                pushEnter: Transition {
                    ParallelAnimation {
                        NumberAnimation { property: "opacity"; from: 0; to: 1; duration: Theme.normal }
                        NumberAnimation { property: "x"; from: Theme.s(40); to: 0; duration: Theme.normal; easing.type: Easing.OutCubic }
                    }
                }
                pushExit: Transition { NumberAnimation { property: "opacity"; from: 1; to: 0; duration: Theme.fast } }
                popEnter: Transition {
                    ParallelAnimation {
                        NumberAnimation { property: "opacity"; from: 0; to: 1; duration: Theme.normal }
                        NumberAnimation { property: "x"; from: -Theme.s(40); to: 0; duration: Theme.normal; easing.type: Easing.OutCubic }
                    }
                }
                popExit: Transition { NumberAnimation { property: "opacity"; from: 1; to: 0; duration: Theme.fast } }
            }
        }
    }

    Component {
        id: pickerComponent
        ProductSelectPage {
            onConfirmed: win.openProduct(productName, productId, zh)
        }
    }
    Component {
        id: mainPageComponent
        MainPage {
            smokeAlbum: win.smokeAlbum
            onHomeRequested: win.returnToPicker()
        }
    }

    // Resize borders of the frameless window on platforms where the window
    // manager does not hit-test for us.
    Repeater {
        model: win.customTitle && !win.maximised && Qt.platform.os !== "windows" ? 4 : 0
        delegate: MouseArea {
            readonly property int band: Math.max(4, frameless.borderWidth)
            x: index === 1 ? win.width - band : 0
            y: index === 3 ? win.height - band : 0
            width: index === 0 || index === 1 ? band : win.width
            height: index === 0 || index === 1 ? win.height : band
            hoverEnabled: true
            acceptedButtons: Qt.LeftButton
            cursorShape: {
                var e = frameless.edgesAt(mouseX + x, mouseY + y)
                if (e === (Qt.TopEdge | Qt.LeftEdge) || e === (Qt.BottomEdge | Qt.RightEdge))
                    return Qt.SizeFDiagCursor
                if (e === (Qt.TopEdge | Qt.RightEdge) || e === (Qt.BottomEdge | Qt.LeftEdge))
                    return Qt.SizeBDiagCursor
                if (e === Qt.LeftEdge || e === Qt.RightEdge)
                    return Qt.SizeHorCursor
                return Qt.SizeVerCursor
            }
            onPressed: frameless.startSystemResize(frameless.edgesAt(mouse.x + x, mouse.y + y))
        }
    }

    // A stored product opens the main page at once, drawn in the first frame;
    // the picker beneath it is only built when the operator goes back to it.
    Component.onCompleted: {
        var section = NavRules.parseSection(startSection)
        if (section !== 0 && Core.settings && Core.settings.hasProduct) {
            chooseProduct(Core.settings.productId, Core.settings.isChinese)
            stack.push([pickerComponent, mainPageComponent, { initialSection: section }], StackView.Immediate)
        } else {
            stack.push(pickerComponent, {}, StackView.Immediate)
        }
    }
}
