.pragma library

// Queries that read a section's device parameters when it becomes current.
function queriesFor(section, caps) {
    switch (section) {
    case 3: return ["irAllParamsGet", "visAllParamsGet"]
    case 4: return ["sbusConfigGet"]
    case 5: return ["ipGet"]
    case 6: return ["aiCategoriesGet"]
    case 7: return caps && caps.hasOsd ? ["osdConfigGet"] : []
    case 8:
        var q = ["gimbalVersionGet", "cameraVersionGet", "kernelVersionGet", "deviceSnGet",
                 "coreTempGet"]
        if (caps && caps.hasUartProtocolConfig)
            q.push("uartProtocolGet")
        return q
    }
    return []
}

// What a section needs the link for, finishing the "enable the link first" hint.
var phrases = {
    1: ["the camera answers", "相机才会响应"],
    2: ["gimbal control works", "云台控制才会下发"],
    3: ["camera settings are sent", "相机设置才会下发"],
    9: ["laser ranging works", "激光测距才会下发"],
    4: ["channel settings are sent", "通道设置才会下发"],
    5: ["network settings are read and sent", "网络设置才会读取和下发"],
    6: ["recognition settings are sent", "识别设置才会下发"],
    7: ["OSD settings are sent", "OSD 设置才会下发"],
    8: ["device information is read", "设备信息才会读取"],
    10: ["keys and game controllers steer", "键盘和游戏手柄才会操控"]
}

function linkHint(section, zh) {
    var p = phrases[section] || phrases[2]
    return zh ? "请先在「连接」页启用串口或 UDP，" + p[1]
              : "Enable Serial or UDP on the Connection page before " + p[0]
}

// "Set Angle": degrees from the two fields, with the direction rule. An
// angle of zero still carries a real direction: -0.00 pitch counts as up.
// With the model's limits ({pitchMin, pitchMax, yawMin, yawMax}) an angle
// beyond them is brought to the limit; `clamped` tells the field to show it.
function angleCommand(pitchText, yawText, zh, limits) {
    var p = String(pitchText === undefined ? "" : pitchText).trim()
    var y = String(yawText === undefined ? "" : yawText).trim()
    if (p === "" || y === "" || isNaN(Number(p)) || isNaN(Number(y)))
        return { ok: false,
                 message: zh ? "[云台/提示] 俯仰角/航向角不能为空"
                             : "[Gimbal/Hint] Pitch/Yaw cannot be empty" }
    var pitch = Number(p)
    var yaw = Number(y)
    var clamped = false
    if (limits) {
        var cp = Math.min(limits.pitchMax, Math.max(limits.pitchMin, pitch))
        var cy = Math.min(limits.yawMax, Math.max(limits.yawMin, yaw))
        clamped = cp !== pitch || cy !== yaw
        pitch = cp
        yaw = cy
    }
    return { ok: true, pitchDir: pitch >= 0 ? 0 : 1, pitch: Math.abs(pitch),
             yawDir: yaw >= 0 ? 1 : 0, yaw: Math.abs(yaw), clamped: clamped,
             pitchValue: pitch, yawValue: yaw }
}

// An angle field's number was beyond the model's range and now shows the limit.
function angleClampHint(isPitch, typed, lo, hi, zh) {
    var v = Math.min(hi, Math.max(lo, Number(typed))).toFixed(2)
    return zh ? "[云台/提示] " + (isPitch ? "俯仰" : "航向") + " " + typed + " 超出 " + lo + "…" + hi + "°，已改为 " + v + "°"
              : "[Gimbal/Hint] " + (isPitch ? "Pitch" : "Yaw") + " " + typed + " is outside " + lo + "…" + hi + "°, set to " + v + "°"
}

// SBUS stick range from the two fields: both needed, minimum not above maximum.
function sbusRange(maxText, minText, zh) {
    var a = String(maxText === undefined ? "" : maxText).trim()
    var b = String(minText === undefined ? "" : minText).trim()
    if (a === "" || b === "" || isNaN(Number(a)) || isNaN(Number(b)))
        return { ok: false, message: zh ? "[SBUS/提示] 最大值/最小值不能为空"
                                        : "[SBUS/Hint] Maximum/Minimum cannot be empty" }
    var max = Math.round(Number(a)), min = Math.round(Number(b))
    if (min > max)
        return { ok: false, message: zh ? "[SBUS/提示] 最小值不能大于最大值"
                                        : "[SBUS/Hint] The minimum cannot be above the maximum" }
    return { ok: true, max: max, min: min }
}

// A product whose yaw runs 0..360 receives its yaw reports as -180..180;
// the operator sees and enters the product's own range.
function displayYaw(reported, yawMinDeg) {
    var v = Number(reported)
    if (yawMinDeg >= 0 && v < 0)
        v += 360
    return v
}

// SBUS channel combos: CH1..CH16 are indexes 0..15, "None" (or nothing) is 16.
function sbusValue(index) {
    return index >= 0 && index < 16 ? index : 16
}
function sbusIndex(value) {
    return value >= 0 && value < 16 ? value : 16
}
function sbusEntries(zh) {
    var out = []
    for (var i = 1; i <= 16; ++i)
        out.push({ label: "CH" + i, value: i - 1 })
    out.push({ label: zh ? "未使用" : "None", value: 16 })
    return out
}

// Recognition "Apply": what to send, or the hint when nothing is ticked.
function aiApply(enabled, ticked, zh) {
    if (enabled && (!ticked || ticked.length === 0))
        return { send: false,
                 message: zh ? "[识别/提示] 请先勾选至少一个识别类别"
                             : "[Recognition/Hint] Select at least one category" }
    return { send: true, enabled: !!enabled, categories: enabled ? ticked.slice() : [] }
}

// Colour class of a log line; the first matching class wins.
function logClass(line) {
    var t = String(line)
    var has = function (words) {
        for (var i = 0; i < words.length; ++i) {
            if (t.indexOf(words[i]) >= 0)
                return true
        }
        return false
    }
    if (has(["失败", "错误", "Fail", "Error", "断开"]))
        return "error"
    if (has(["ACK", "回复", "收到", "已连接", "成功"]))
        return "success"
    if (has(["发送", "TX", "[通信"]))
        return "secondary"
    return "tertiary"
}

// Output-mode combo value for a reported stream mode.
function outputModeFor(streamMode, current) {
    if (streamMode === 5 || streamMode === 6 || streamMode === 16)
        return 6
    if (streamMode === 0 || streamMode === 17)
        return 0
    if (streamMode === 7)
        return 7
    return current
}

// Index of the entry whose "value" matches, else the first entry.
function indexOfValue(entries, value) {
    if (!entries)
        return -1
    for (var i = 0; i < entries.length; ++i) {
        if (entries[i].value === value)
            return i
    }
    return entries.length > 0 ? 0 : -1
}

function clampRound(v, lo, hi) {
    return Math.min(hi, Math.max(lo, Math.round(v)))
}

function tempText(value, known) {
    if (!known || value === undefined || value === null || !isFinite(value))
        return "--"
    return Number(value).toFixed(1) + " °C"
}

function textOrDash(v) {
    return v === undefined || v === null || String(v) === "" ? "--" : String(v)
}

// N taps within `windowMs`: returns the new tap list and whether it fired.
function tap(times, now, windowMs, needed) {
    var kept = []
    for (var i = 0; i < times.length; ++i) {
        if (now - times[i] <= windowMs)
            kept.push(times[i])
    }
    kept.push(now)
    if (kept.length >= needed)
        return { times: [], fired: true }
    return { times: kept, fired: false }
}

function validIpv4(text) {
    var parts = String(text).trim().split(".")
    if (parts.length !== 4)
        return false
    for (var i = 0; i < 4; ++i) {
        if (!/^[0-9]{1,3}$/.test(parts[i]) || parseInt(parts[i], 10) > 255)
            return false
    }
    return true
}

function validPort(text) {
    var t = String(text).trim()
    var n = Number(t)
    return /^[0-9]+$/.test(t) && n >= 1 && n <= 65535
}

var baudRates = [9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600]
var defaultBaudIndex = 4

// The camera's UART protocols by name, with the values it stores.
function uartProtocols(zh) {
    return [{ label: zh ? "私有协议" : "Private protocol", value: 0 },
            { label: "MAVLink", value: 1 },
            { label: zh ? "标准 MAVLink" : "Standard MAVLink", value: 2 }]
}

// The bytes a text takes in UTF-8, as the device receives it.
function utf8Length(text) {
    var t = String(text), n = 0
    for (var i = 0; i < t.length; ++i) {
        var c = t.charCodeAt(i)
        if (c < 0x80) {
            n += 1
        } else if (c < 0x800) {
            n += 2
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < t.length
                   && t.charCodeAt(i + 1) >= 0xDC00 && t.charCodeAt(i + 1) <= 0xDFFF) {
            n += 4
            ++i
        } else {
            n += 3
        }
    }
    return n
}

// The longest start of the text that fits in maxBytes of UTF-8 without
// cutting a character (a surrogate pair is one character).
function fitUtf8(text, maxBytes) {
    var t = String(text), n = 0, i = 0
    while (i < t.length) {
        var step = 1, c = t.charCodeAt(i)
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < t.length)
            step = 2
        var bytes = utf8Length(t.substr(i, step))
        if (n + bytes > maxBytes)
            break
        n += bytes
        i += step
    }
    return t.substr(0, i)
}

// The OSD custom texts: the camera receives 64 bytes.
var osdTextBytes = 64
