import QtQuick 2.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// The player's health figures over the picture (toolbar button or the
// bound key): pictures received, decoded and shown per second, dropped,
// damaged and skipped, queue, decode time, bit rate, transport, decoder and threads,
// reconnects, and the latency when it is known (measured, or estimated from
// the camera's clock), else a dash.
Rectangle {
    id: box
    // The video panel whose player is shown.
    property Item panel
    readonly property var s: panel && panel.player ? panel.player.stats : ({})
    function n(v, digits) { return v === undefined || v === null ? "—" : Number(v).toFixed(digits) }
    function tr(en, zh) { return panel ? panel.tr(en, zh) : en }
    readonly property string latencyText: {
        if (s.latencyMs === undefined || s.latencyMs === null)
            return "—"
        return s.latencyKind === "estimated" ? "≈" + s.latencyMs + " ms " + tr("(estimated)", "（估计）")
                                             : s.latencyMs + " ms"
    }
    readonly property string transportText: {
        var used = s.transport ? String(s.transport).toUpperCase() : "—"
        return s.transportChoice === "auto" ? used + " (" + tr("Auto", "自动") + ")" : used
    }
    readonly property var lines: [
        tr("Received ", "接收 ") + n(s.receivedFps, 1) + tr("  decoded ", "  解码 ") + n(s.decodedFps, 1)
            + tr("  shown ", "  显示 ") + n(s.shownFps, 1) + tr(" fps", " 帧/秒"),
        tr("Dropped ", "丢弃 ") + n(s.dropped, 0) + tr("  damaged ", "  受损 ") + n(s.damaged, 0)
            + tr("  key-frame skips ", "  跳至关键帧 ") + n(s.keyFrameSkips, 0) + tr("  queue ", "  队列 ") + n(s.queue, 0),
        tr("Decode ", "解码 ") + n(s.decodeMs, 1) + " ms (p95 " + n(s.decodeP95Ms, 1) + ")  "
            + (s.decoder ? s.decoder : "—") + " × " + n(s.threads, 0) + tr(" thread", " 线程"),
        n(s.bitrateKbps, 0) + " kbps  " + transportText + tr("  reconnects ", "  重连 ") + n(s.reconnects, 0),
        tr("Latency ", "延迟 ") + latencyText
    ]

    objectName: "videoStats"
    width: column.implicitWidth + 2 * Theme.gapM
    height: column.implicitHeight + 2 * Theme.gapS
    radius: Theme.radiusM
    color: Theme.overlay
    Column {
        id: column
        x: Theme.gapM
        y: Theme.gapS
        spacing: 2
        Repeater {
            model: box.lines
            Text {
                text: modelData
                textFormat: Text.PlainText
                color: Theme.text
                font.family: Theme.monoFamily
                font.pixelSize: Theme.fontSmall
            }
        }
    }
}
