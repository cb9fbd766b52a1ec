.pragma library

// Logical canvases of the device: point-aim and infrared measurement use
// 1920x1080, tracking boxes 1920x1088.
var canvasW = 1920
var canvasH = 1080
var trackH = 1088
var irRegion = { x1: 320, x2: 1599, y1: 28, y2: 1051 }
var irHalfMax = { w: 639, h: 511 }
var clickSlop = 8
var minBox = 12
var localTestUrl = "rtsp://127.0.0.1:8554/test"

function clamp(v, lo, hi) { return Math.min(hi, Math.max(lo, v)) }

// Characters a stream address may hold; everything else is dropped as typed.
function filterUrl(text) {
    return String(text).replace(/[^A-Za-z0-9:\/.\-_?&=%@\[\]~+]/g, "")
}

function urlHost(url) {
    var m = /^[A-Za-z][A-Za-z0-9+.\-]*:\/\/(?:[^@\/]*@)?(\[[^\]]*\]|[^:\/?#]*)/.exec(String(url).trim())
    return m ? m[1] : ""
}

function isDottedIpv4(host) {
    var parts = String(host).split(".")
    if (parts.length !== 4)
        return false
    for (var i = 0; i < 4; ++i) {
        if (!/^[0-9]{1,3}$/.test(parts[i]) || parseInt(parts[i], 10) > 255)
            return false
    }
    return true
}

function preselectedUrl(history, modelDefault) {
    if (history && history.length > 0 && history[0])
        return String(history[0])
    if (modelDefault)
        return String(modelDefault)
    return localTestUrl
}

function sdText(status, zh) {
    var t = {
        0: ["SD card ready", "SD 卡正常"],
        1: ["SD card abnormal", "SD 卡异常"],
        2: ["SD card is slow", "SD 卡读写速度慢"],
        3: ["No SD card", "未插入 SD 卡"],
        4: ["SD card is full", "SD 卡已满"],
        5: ["SD card format error", "SD 卡格式错误"]
    }[status]
    if (!t)
        t = ["SD card status unknown", "SD 卡状态未知"]
    return zh ? t[1] : t[0]
}

function sane(mb) {
    var v = Number(mb)
    return isFinite(v) && v > 0 ? v : 0
}

function mbText(mb) {
    var v = sane(mb)
    return v < 1024 ? Math.round(v) + " MB" : (v / 1024).toFixed(1) + " GB"
}

// A known total shows free / total (free may be 0 on a full card); without a
// total only the free space, then only the used space.
function capacityText(totalMB, freeMB, usedMB, zh) {
    var t = sane(totalMB), f = sane(freeMB), u = sane(usedMB)
    var avail = zh ? "可用 " : "Available "
    if (t > 0)
        return avail + mbText(f) + " / " + mbText(t)
    if (f > 0)
        return avail + mbText(f)
    if (u > 0)
        return (zh ? "已用 " : "Used ") + mbText(u)
    return zh ? "容量未知" : "Capacity unknown"
}

function isClick(dx, dy) {
    return Math.abs(dx) < clickSlop && Math.abs(dy) < clickSlop
}

function boxBigEnough(w, h) {
    return Math.abs(w) >= minBox && Math.abs(h) >= minBox
}

// A click on the picture, in stream pixels, to a point-aim command.
function pointAim(px, py, streamW, streamH, hybridZoom) {
    return {
        x: clamp(Math.round(px / streamW * canvasW), 1, canvasW),
        y: clamp(Math.round(py / streamH * canvasH), 1, canvasH),
        zoom: hybridZoom > 0 ? hybridZoom : 10.0
    }
}

// A dragged box, corners in stream pixels, to the tracking canvas.
function trackingBox(x1, y1, x2, y2, streamW, streamH) {
    var ax = clamp(Math.min(x1, x2), 0, streamW), bx = clamp(Math.max(x1, x2), 0, streamW)
    var ay = clamp(Math.min(y1, y2), 0, streamH), by = clamp(Math.max(y1, y2), 0, streamH)
    var x = clamp(Math.round(ax / streamW * canvasW), 0, canvasW - 1)
    var y = clamp(Math.round(ay / streamH * trackH), 0, trackH - 1)
    var w = Math.max(1, Math.round((bx - ax) / streamW * canvasW))
    var h = Math.max(1, Math.round((by - ay) / streamH * trackH))
    w = Math.min(w, canvasW - x)
    h = Math.min(h, trackH - y)
    return { x: x, y: y, w: w, h: h }
}

function toCanvas(px, py, streamW, streamH) {
    return {
        x: clamp(Math.round(px / streamW * canvasW), 0, canvasW - 1),
        y: clamp(Math.round(py / streamH * canvasH), 0, canvasH - 1)
    }
}

function irPoint(px, py, streamW, streamH) {
    var c = toCanvas(px, py, streamW, streamH)
    return { x: clamp(c.x, irRegion.x1, irRegion.x2), y: clamp(c.y, irRegion.y1, irRegion.y2) }
}

function irArea(x1, y1, x2, y2, streamW, streamH) {
    var a = toCanvas(Math.min(x1, x2), Math.min(y1, y2), streamW, streamH)
    var b = toCanvas(Math.max(x1, x2), Math.max(y1, y2), streamW, streamH)
    var w = Math.max(1, b.x - a.x)
    var h = Math.max(1, b.y - a.y)
    var cx = Math.round((a.x + b.x) / 2)
    var cy = Math.round((a.y + b.y) / 2)
    var hw = Math.min(Math.floor(w / 2), irHalfMax.w)
    var hh = Math.min(Math.floor(h / 2), irHalfMax.h)
    w = Math.max(1, 2 * hw)
    h = Math.max(1, 2 * hh)
    cx = clamp(cx, irRegion.x1 + hw, irRegion.x2 - hw)
    cy = clamp(cy, irRegion.y1 + hh, irRegion.y2 - hh)
    return { w: w, h: h, cx: cx, cy: cy }
}

// Local recording time: mm:ss, or hh:mm:ss past one hour.
function elapsedText(seconds) {
    var s = Math.max(0, Math.floor(seconds))
    var two = function (n) { return (n < 10 ? "0" : "") + n }
    var h = Math.floor(s / 3600), m = Math.floor((s % 3600) / 60), r = s % 60
    return h > 0 ? two(h) + ":" + two(m) + ":" + two(r) : two(m) + ":" + two(r)
}

function splitScreen(hold, outputModeValue, controllerSplit, streamMode) {
    return !!hold || outputModeValue === 7 || !!controllerSplit || streamMode === 7
}

function irOnlyStream(hasInfrared, connected, statusValid, streamMode) {
    return !!hasInfrared && !!connected && !!statusValid && (streamMode === 0 || streamMode === 17)
}

// Capture and album availability by the memory card.
function sdReady(valid, sdStatus) { return !!valid && sdStatus === 0 }
function albumAllowed(valid, sdStatus) { return !!valid && (sdStatus === 0 || sdStatus === 4) }
function deviceRecording(valid, sdStatus, recordStatus) {
    return sdReady(valid, sdStatus) && (recordStatus === 1 || recordStatus === 3)
}
// Photo status codes that end the wait after "take photo".
function photoDone(status) { return status === 0 || status === 4 || status >= 6 }

// Canvas point (1920x1080) to stream pixels, for markers drawn over the picture.
function fromCanvas(cx, cy, streamW, streamH) {
    return { x: cx / canvasW * streamW, y: cy / canvasH * streamH }
}

// The log line of a video error, its tag in the interface's language.
function errorLine(error, zh) {
    return (zh ? "[视频/错误] " : "[Video/Error] ") + error
}
