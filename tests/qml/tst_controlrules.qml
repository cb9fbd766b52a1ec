import QtQuick 2.15
import QtTest 1.15
import Skyrig.UI 1.0

// The control panel's rules as functions.
TestCase {
    name: "ControlRules"

    // The gimbal, camera and device (with its UART) sections are read
    // through the page in tst_panels.
    function test_queries_data() {
        return [
            { tag: "link", section: 1, caps: {}, calls: [] },
            { tag: "sbus", section: 4, caps: {}, calls: ["sbusConfigGet"] },
            { tag: "network", section: 5, caps: {}, calls: ["ipGet"] },
            { tag: "ai", section: 6, caps: {}, calls: ["aiCategoriesGet"] },
            { tag: "osd", section: 7, caps: { hasOsd: true }, calls: ["osdConfigGet"] },
            { tag: "osd absent", section: 7, caps: { hasOsd: false }, calls: [] },
            { tag: "device", section: 8, caps: {},
              calls: ["gimbalVersionGet", "cameraVersionGet", "kernelVersionGet", "deviceSnGet", "coreTempGet"] }
        ]
    }
    function test_queries(data) {
        compare(ControlRules.queriesFor(data.section, data.caps), data.calls)
    }

    function test_angle_data() {
        return [
            { tag: "up and right", p: "12.50", y: "30.00", pd: 0, pa: 12.5, yd: 1, ya: 30 },
            { tag: "minus zero pitch", p: "-0.00", y: "0.00", pd: 0, pa: 0, yd: 1, ya: 0 },
            { tag: "minus zero yaw", p: "0.00", y: "-0.00", pd: 0, pa: 0, yd: 1, ya: 0 },
            { tag: "zero", p: "0", y: "0", pd: 0, pa: 0, yd: 1, ya: 0 },
            { tag: "otter yaw", p: "-10", y: "270.00", pd: 1, pa: 10, yd: 1, ya: 270 }
        ]
    }
    function test_angle(data) {
        var c = ControlRules.angleCommand(data.p, data.y, false)
        verify(c.ok)
        compare([c.pitchDir, c.pitch, c.yawDir, c.yaw], [data.pd, data.pa, data.yd, data.ya])
    }
    // Angles beyond the model's range are sent at its limits, even when the
    // fields have not clamped them yet (the English empty-field hint and the
    // fields' own clamping are driven through the form in tst_panels).
    function test_limitsAndHints() {
        var c = ControlRules.angleCommand("50", "-200", false, { pitchMin: -90, pitchMax: 30, yawMin: -180, yawMax: 180 })
        compare([c.clamped, c.pitchDir, c.pitch, c.yawDir, c.yaw], [true, 0, 30, 0, 180])
        compare(ControlRules.angleCommand("1", " ", true).message, "[云台/提示] 俯仰角/航向角不能为空")
        verify(!ControlRules.angleCommand("-", "1", false).ok)
        compare(ControlRules.linkHint(2, true), "请先在「连接」页启用串口或 UDP，云台控制才会下发")
        compare(ControlRules.linkHint(2, false), "Enable Serial or UDP on the Connection page before gimbal control works")
    }

    function test_displayYaw_data() {
        return [
            { tag: "otter negative", yaw: -90, min: 0, shown: 270 },
            { tag: "otter positive", yaw: 45, min: 0, shown: 45 },
            { tag: "otter half turn", yaw: -180, min: 0, shown: 180 },
            { tag: "signed model", yaw: -90, min: -180, shown: -90 }
        ]
    }
    function test_displayYaw(data) {
        compare(ControlRules.displayYaw(data.yaw, data.min), data.shown)
    }

    // Combo index to the value sent and the entry a reported value shows
    // (indices and values share one range): channel 0 is CH1, never "None".
    function test_sbus_data() {
        return [
            { tag: "CH1", index: 0, value: 0, labels: ["CH1", "CH1"] },
            { tag: "CH16", index: 15, value: 15, labels: ["CH16", "CH16"] },
            { tag: "None", index: 16, value: 16, labels: ["None", "未使用"] },
            { tag: "no selection", index: -1, value: 16, labels: ["None", "未使用"] }
        ]
    }
    function test_sbus(data) {
        compare(ControlRules.sbusValue(data.index), data.value)
        compare(ControlRules.sbusIndex(data.index), data.value)
        compare(ControlRules.sbusEntries(false).length, 17)
        compare([ControlRules.sbusEntries(false)[data.value].label, ControlRules.sbusEntries(true)[data.value].label],
                data.labels)
    }

    // OSD texts: the camera's 64 bytes, whole characters only.
    function test_fitUtf8_data() {
        var han = "\u4e2d"
        return [
            { tag: "ascii", text: "x".repeat(70), kept: 64, bytes: 64 },
            { tag: "chinese", text: han.repeat(22), kept: 21, bytes: 63 },
            { tag: "chinese after ascii", text: "x".repeat(62) + han, kept: 62, bytes: 62 },
            { tag: "pair after ascii", text: "x".repeat(61) + "\ud83d\ude00", kept: 61, bytes: 61 },
            { tag: "pair fits", text: "x".repeat(60) + "\ud83d\ude00", kept: 62, bytes: 64 },
            { tag: "short", text: "ab" + han, kept: 3, bytes: 5 }
        ]
    }
    function test_fitUtf8(data) {
        var fitted = ControlRules.fitUtf8(data.text, ControlRules.osdTextBytes)
        compare(fitted.length, data.kept)
        compare(ControlRules.utf8Length(fitted), data.bytes)
    }

    function test_ai_data() {
        return [
            { tag: "on with categories", on: true, ticked: [1, 4], send: true, cats: [1, 4] },
            { tag: "on without categories", on: true, ticked: [], send: false },
            { tag: "off sends empty", on: false, ticked: [1, 4], send: true, cats: [] },
            { tag: "off with nothing", on: false, ticked: [], send: true, cats: [] }
        ]
    }
    function test_ai(data) {
        var r = ControlRules.aiApply(data.on, data.ticked, false)
        compare(r.send, data.send)
        if (data.send) {
            compare(r.enabled, data.on)
            compare(r.categories, data.cats)
        } else {
            compare(r.message, "[Recognition/Hint] Select at least one category")
        }
    }

    function test_logClass_data() {
        return [
            { tag: "zh fail", line: "[通信/连接失败] 无效的IP地址", cls: "error" },
            { tag: "en fail", line: "[Comm/Connect Failed] Invalid IP address", cls: "error" },
            { tag: "error", line: "[Video/Error] Cannot open", cls: "error" },
            { tag: "disconnect", line: "[通信/链路] 已断开", cls: "error" },
            { tag: "错误", line: "参数错误", cls: "error" },
            { tag: "ack", line: "[ACK] Gimbal control ok", cls: "success" },
            { tag: "回复", line: "收到回复", cls: "success" },
            { tag: "connected", line: "串口已连接", cls: "success" },
            { tag: "success zh", line: "设置成功", cls: "success" },
            { tag: "fail beats ack", line: "ACK Failed", cls: "error" },
            { tag: "tx", line: "[TX] Gimbal control", cls: "secondary" },
            { tag: "发送", line: "发送云台控制", cls: "secondary" },
            { tag: "comm", line: "[通信/链路] 已打开", cls: "secondary" },
            { tag: "other", line: "[System] Session log file: x", cls: "tertiary" }
        ]
    }
    function test_logClass(data) {
        compare(ControlRules.logClass(data.line), data.cls)
    }

    function test_outputMode_data() {
        return [
            { tag: "5", mode: 5, cur: 0, v: 6 }, { tag: "6", mode: 6, cur: 0, v: 6 }, { tag: "16", mode: 16, cur: 7, v: 6 },
            { tag: "0", mode: 0, cur: 6, v: 0 }, { tag: "17", mode: 17, cur: 6, v: 0 }, { tag: "7", mode: 7, cur: 6, v: 7 },
            { tag: "other keeps", mode: 3, cur: 6, v: 6 }
        ]
    }
    function test_outputMode(data) {
        compare(ControlRules.outputModeFor(data.mode, data.cur), data.v)
    }

    function test_misc() {
        var list = [{ value: 20 }, { value: 21 }]
        compare([ControlRules.indexOfValue(list, 21), ControlRules.indexOfValue(list, 99),
                 ControlRules.indexOfValue([], 1)], [1, 0, -1])
        compare(ControlRules.clampRound(3.6, 1, 8), 4)
        compare(ControlRules.clampRound(12, 1, 8), 8)
        compare(ControlRules.tempText(41.26, true), "41.3 °C")
        compare(ControlRules.tempText(0, false), "--")
        compare(ControlRules.textOrDash(""), "--")
        verify(ControlRules.validIpv4("127.0.0.1"))
        verify(!ControlRules.validIpv4("256.0.0.1"))
        verify(ControlRules.validPort("65535"))
        verify(!ControlRules.validPort("0"))
    }

    function test_taps() {
        var r = ControlRules.tap([], 0, 700, 3)
        r = ControlRules.tap(r.times, 300, 700, 3)
        verify(!r.fired)
        r = ControlRules.tap(r.times, 650, 700, 3)
        verify(r.fired)
        // Too slow: the first tap has expired.
        r = ControlRules.tap([], 0, 700, 3)
        r = ControlRules.tap(r.times, 400, 700, 3)
        r = ControlRules.tap(r.times, 800, 700, 3)
        verify(!r.fired)
    }
}
