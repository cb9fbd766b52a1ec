import QtQuick 2.15
import QtTest 1.15
import Skyrig.UI 1.0

// The video panel's rules: address filter, memory card texts and every
// picture-to-canvas mapping.
TestCase {
    name: "VideoRules"

    function test_filter_data() {
        return [
            { tag: "plain", text: "rtsp://192.168.144.64:558/live/single", out: "rtsp://192.168.144.64:558/live/single" },
            { tag: "blanks", text: " rtsp://a b ", out: "rtsp://ab" },
            { tag: "specials kept", text: "rtsp://u:p@h/x?a=1&b=%20~+[v6]_-", out: "rtsp://u:p@h/x?a=1&b=%20~+[v6]_-" },
            { tag: "dropped", text: "rtsp://h/<x>\"#{}|\\^`;,'!$*()", out: "rtsp://h/x" },
            { tag: "non ascii", text: "rtsp://相机/流", out: "rtsp:///" }
        ]
    }
    function test_filter(data) {
        compare(VideoRules.filterUrl(data.text), data.out)
    }

    function test_errorLine() {
        compare(VideoRules.errorLine("Cannot open", false), "[Video/Error] Cannot open")
        compare(VideoRules.errorLine("无法打开", true), "[视频/错误] 无法打开")
    }

    function test_host() {
        compare(VideoRules.urlHost("rtsp://192.168.144.64:558/live"), "192.168.144.64")
        compare(VideoRules.urlHost("rtsp://user:pw@10.0.0.2/x"), "10.0.0.2")
        compare(VideoRules.urlHost("rtsp://camera.local/x"), "camera.local")
        verify(VideoRules.isDottedIpv4("10.0.0.2"))
        verify(!VideoRules.isDottedIpv4("camera.local"))
        verify(!VideoRules.isDottedIpv4("300.1.1.1"))
    }

    function test_preselect() {
        compare(VideoRules.preselectedUrl(["rtsp://a/1", "rtsp://b/2"], "rtsp://d"), "rtsp://a/1")
        compare(VideoRules.preselectedUrl([], "rtsp://d"), "rtsp://d")
        compare(VideoRules.preselectedUrl([], ""), "rtsp://127.0.0.1:8554/test")
    }

    function test_sdText_data() {
        return [
            { tag: "0", s: 0, en: "SD card ready", zh: "SD 卡正常" },
            { tag: "1", s: 1, en: "SD card abnormal", zh: "SD 卡异常" },
            { tag: "2", s: 2, en: "SD card is slow", zh: "SD 卡读写速度慢" },
            { tag: "3", s: 3, en: "No SD card", zh: "未插入 SD 卡" },
            { tag: "4", s: 4, en: "SD card is full", zh: "SD 卡已满" },
            { tag: "5", s: 5, en: "SD card format error", zh: "SD 卡格式错误" },
            { tag: "9", s: 9, en: "SD card status unknown", zh: "SD 卡状态未知" }
        ]
    }
    function test_sdText(data) {
        compare(VideoRules.sdText(data.s, false), data.en)
        compare(VideoRules.sdText(data.s, true), data.zh)
    }

    function test_capacity_data() {
        return [
            { tag: "both", t: 30000, f: 500, u: 29500, en: "Available 500 MB / 29.3 GB", zh: "可用 500 MB / 29.3 GB" },
            { tag: "full card", t: 1000, f: 0, u: 1000, en: "Available 0 MB / 1000 MB", zh: "可用 0 MB / 1000 MB" },
            { tag: "free only", t: 0, f: 2048, u: 0, en: "Available 2.0 GB", zh: "可用 2.0 GB" },
            { tag: "used only", t: 0, f: 0, u: 1023.6, en: "Used 1024 MB", zh: "已用 1024 MB" },
            { tag: "unknown", t: 0, f: 0, u: 0, en: "Capacity unknown", zh: "容量未知" },
            { tag: "negative", t: -5, f: -1, u: -3, en: "Capacity unknown", zh: "容量未知" },
            { tag: "not finite", t: NaN, f: Infinity, u: 0, en: "Capacity unknown", zh: "容量未知" },
            { tag: "boundary", t: 1024, f: 1023, u: 1, en: "Available 1023 MB / 1.0 GB", zh: "可用 1023 MB / 1.0 GB" }
        ]
    }
    function test_capacity(data) {
        compare(VideoRules.capacityText(data.t, data.f, data.u, false), data.en)
        compare(VideoRules.capacityText(data.t, data.f, data.u, true), data.zh)
    }

    function test_clicks() {
        verify(VideoRules.isClick(7, -7))
        verify(!VideoRules.isClick(8, 0))
        verify(!VideoRules.isClick(0, -8))
        verify(VideoRules.boxBigEnough(12, 12))
        verify(!VideoRules.boxBigEnough(11, 40))
    }

    function test_pointAim_data() {
        return [
            { tag: "centre", px: 640, py: 360, w: 1280, h: 720, zoom: 2.5, x: 960, y: 540, z: 2.5 },
            { tag: "top left clamps to 1", px: 0, py: 0, w: 1280, h: 720, zoom: 0, x: 1, y: 1, z: 10.0 },
            { tag: "beyond bottom right", px: 1400, py: 800, w: 1280, h: 720, zoom: -1, x: 1920, y: 1080, z: 10.0 },
            { tag: "4k stream", px: 1920, py: 1080, w: 3840, h: 2160, zoom: 30, x: 960, y: 540, z: 30 }
        ]
    }
    function test_pointAim(data) {
        var a = VideoRules.pointAim(data.px, data.py, data.w, data.h, data.zoom)
        compare([a.x, a.y, a.zoom], [data.x, data.y, data.z])
    }

    function test_tracking_data() {
        return [
            { tag: "whole picture", x1: 0, y1: 0, x2: 1280, y2: 720, w: 1280, h: 720, box: [0, 0, 1920, 1088] },
            { tag: "reversed drag", x1: 1280, y1: 720, x2: 0, y2: 0, w: 1280, h: 720, box: [0, 0, 1920, 1088] },
            { tag: "beyond the picture", x1: -50, y1: -20, x2: 1500, y2: 900, w: 1280, h: 720, box: [0, 0, 1920, 1088] },
            { tag: "quarter", x1: 320, y1: 180, x2: 960, y2: 540, w: 1280, h: 720, box: [480, 272, 960, 544] },
            { tag: "cut at the edge", x1: 1279, y1: 719, x2: 1280, y2: 720, w: 1280, h: 720, box: [1919, 1086, 1, 2] }
        ]
    }
    function test_tracking(data) {
        var t = VideoRules.trackingBox(data.x1, data.y1, data.x2, data.y2, data.w, data.h)
        compare([t.x, t.y, t.w, t.h], data.box)
    }

    function test_irPoint_data() {
        return [
            { tag: "centre", px: 640, py: 360, p: [960, 540] },
            { tag: "left edge into region", px: 0, py: 0, p: [320, 28] },
            { tag: "right edge into region", px: 1280, py: 720, p: [1599, 1051] }
        ]
    }
    function test_irPoint(data) {
        var p = VideoRules.irPoint(data.px, data.py, 1280, 720)
        compare([p.x, p.y], data.p)
    }

    function test_irArea_data() {
        return [
            { tag: "whole picture", x1: 0, y1: 0, x2: 1280, y2: 720, a: [1278, 1022, 960, 540] },
            { tag: "small centred", x1: 600, y1: 340, x2: 680, y2: 380, a: [120, 60, 960, 540] },
            { tag: "pushed inside", x1: 0, y1: 0, x2: 100, y2: 100, a: [150, 150, 395, 103] }
        ]
    }
    function test_irArea(data) {
        var a = VideoRules.irArea(data.x1, data.y1, data.x2, data.y2, 1280, 720)
        compare([a.w, a.h, a.cx, a.cy], data.a)
    }

    function test_elapsed_data() {
        return [
            { tag: "zero", s: 0, t: "00:00" }, { tag: "minute", s: 61, t: "01:01" },
            { tag: "just under an hour", s: 3599, t: "59:59" }, { tag: "hour", s: 3600, t: "01:00:00" },
            { tag: "long", s: 36061, t: "10:01:01" }
        ]
    }
    function test_elapsed(data) {
        compare(VideoRules.elapsedText(data.s), data.t)
    }

    function test_states() {
        verify(VideoRules.splitScreen(false, 7, false, 0))
        verify(VideoRules.splitScreen(false, 6, true, 0))
        verify(VideoRules.splitScreen(false, 6, false, 7))
        verify(VideoRules.splitScreen(true, 6, false, 0))
        verify(!VideoRules.splitScreen(false, 6, false, 6))
        verify(VideoRules.irOnlyStream(true, true, true, 17))
        verify(!VideoRules.irOnlyStream(true, true, false, 0))
        verify(!VideoRules.irOnlyStream(true, true, true, 6))
        // A full card: no capture, but the album opens.
        verify(!VideoRules.sdReady(true, 4))
        verify(VideoRules.albumAllowed(true, 4))
        verify(!VideoRules.albumAllowed(true, 3))
        verify(VideoRules.deviceRecording(true, 0, 3))
        verify(!VideoRules.deviceRecording(true, 0, 2))
        compare([0, 1, 2, 3, 4, 5, 6, 9].map(VideoRules.photoDone), [true, false, false, false, true, false, true, true])
    }
}
