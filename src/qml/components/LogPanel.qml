import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import "ControlRules.js" as Rules

// The live log: every line of the application log, coloured by class
// (error, success, sent, other). Three clicks on the title within 700 ms
// reveal or hide the raw-capture switch; hiding it also stops the capture.
Rectangle {
    id: logPanel
    objectName: "logPanel"
    property bool rawSwitchShown: false
    color: Theme.window

    function colourOf(cls) {
        return cls === "error" ? Theme.logError : cls === "success" ? Theme.logSuccess
             : cls === "secondary" ? Theme.logSecondary : Theme.logTertiary
    }
    function escapeHtml(t) {
        return String(t).replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;")
    }
    // "[Area/Kind] text": the bracketed area is set off in bold.
    function richLine(t) {
        var e = escapeHtml(t)
        var m = /^(\[[^\]]*\])(.*)$/.exec(e)
        return m ? "<b>" + m[1] + "</b>" + m[2] : e
    }

    TapCounter {
        id: titleTaps
        needed: 3
        windowMs: 700
        onFired: {
            logPanel.rawSwitchShown = !logPanel.rawSwitchShown
            if (!logPanel.rawSwitchShown && Core.logger && Core.logger.rawCaptureEnabled)
                Core.logger.rawCaptureEnabled = false
        }
    }

    Rectangle { width: parent.width; height: 1; color: Theme.divider }

    ColumnLayout {
        anchors.fill: parent
        anchors.topMargin: 1
        spacing: 0
        RowLayout {
            Layout.fillWidth: true
            Layout.preferredHeight: Theme.s(36)
            Layout.leftMargin: Theme.gapL
            Layout.rightMargin: Theme.gapS
            spacing: Theme.gapS
            Icon { name: "log"; size: Theme.iconSize * 0.9; color: Theme.textTertiary }
            Text {
                objectName: "logTitle"
                text: Core.tr("Log", "日志")
                color: Theme.textSecondary
                font.pixelSize: Theme.fontBody
                font.weight: Font.DemiBold
                // Every tap counts, also the second of a fast pair.
                TapHandler { onTapped: titleTaps.tap() }
            }
            Text {
                text: lines.count > 0 ? String(lines.count) : ""
                color: Theme.textTertiary
                font.pixelSize: Theme.fontCaption
            }
            Item { Layout.fillWidth: true }
            SkySwitch {
                objectName: "rawCaptureSwitch"
                visible: logPanel.rawSwitchShown
                text: Core.tr("Raw capture", "原始数据记录")
                tip: Core.tr("Write every byte of the link to a capture file", "将链路的所有字节写入记录文件")
                checked: !!Core.logger && Core.logger.rawCaptureEnabled
                onToggled: if (Core.logger) Core.logger.rawCaptureEnabled = checked
            }
            IconButton {
                iconName: "trash"
                tip: Core.tr("Clear the log view", "清空日志显示")
                onClicked: if (Core.logger) Core.logger.clear()
            }
        }
        ListView {
            id: lines
            objectName: "logView"
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.leftMargin: Theme.gapL
            Layout.rightMargin: Theme.gapXs
            clip: true
            model: Core.logLines
            boundsBehavior: Flickable.StopAtBounds
            Accessible.role: Accessible.List
            Accessible.name: Core.tr("Log", "日志")
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }
            property bool pinned: true
            onMovementEnded: pinned = atYEnd
            onCountChanged: if (pinned) Qt.callLater(positionViewAtEnd)
            delegate: Text {
                width: lines.width - Theme.gapM
                text: logPanel.richLine(display)
                textFormat: Text.StyledText
                color: logPanel.colourOf(Rules.logClass(display))
                font.pixelSize: Theme.fontSmall
                font.family: Theme.monoFamily
                wrapMode: Text.WrapAnywhere
                topPadding: 1
                bottomPadding: 1
            }
        }
    }
}
