.pragma library

// Sections of the main page, in rail order. `cap` names the capability of the
// selected product that makes the section appear; an empty one is always
// shown.
var sections = [
    { id: 0, en: "Home",   zh: "主页", cap: "" },
    { id: 1, en: "Link",   zh: "连接", cap: "" },
    { id: 2, en: "Gimbal", zh: "云台", cap: "" },
    { id: 3, en: "Cam",    zh: "相机", cap: "camera" },
    { id: 9, en: "Range",  zh: "测距", cap: "hasLaser" },
    { id: 4, en: "CH",     zh: "通道", cap: "hasSbus" },
    { id: 5, en: "Net",    zh: "网络", cap: "hasNetworkConfig" },
    { id: 6, en: "AI",     zh: "识别", cap: "hasAiRecognition" },
    { id: 7, en: "OSD",    zh: "OSD",  cap: "hasOsd" },
    { id: 10, en: "Input", zh: "操控", cap: "" },
    { id: 8, en: "Dev",    zh: "设备", cap: "" }
]

var initialSection = 2
var fallbackSection = 1

// Full section titles for the panel header.
var titles = {
    0: ["Products", "产品"], 1: ["Connection", "连接"], 2: ["Gimbal", "云台"],
    3: ["Camera", "相机"], 9: ["Laser range", "激光测距"], 4: ["SBUS channels", "SBUS 通道"],
    5: ["Network", "网络"], 6: ["AI recognition", "AI 识别"], 7: ["OSD overlay", "OSD 叠加"],
    8: ["Device", "设备"], 10: ["Controls", "操控设置"]
}

function find(id) {
    for (var i = 0; i < sections.length; ++i) {
        if (sections[i].id === id)
            return sections[i]
    }
    return null
}

// `caps` is the camera-model bridge (or any object with its flags); without
// one every section is shown.
function isShown(id, caps) {
    var s = find(id)
    if (!s)
        return false
    if (!caps || s.cap === "")
        return true
    if (s.cap === "camera")
        return !!caps.hasVisibleLight || !!caps.hasInfrared
    return !!caps[s.cap]
}

function visibleIds(caps) {
    var out = []
    for (var i = 0; i < sections.length; ++i) {
        if (isShown(sections[i].id, caps))
            out.push(sections[i].id)
    }
    return out
}

// The section to show after the capabilities changed.
function afterModelChange(current, caps) {
    return isShown(current, caps) ? current : fallbackSection
}

function shortModelName(id) {
    if (!id)
        return ""
    if (id === "Heron-Mini-A")
        return "MINI-A"
    if (id === "Heron-Mini-B" || id === "Heron-Mini")
        return "MINI-B"
    if (id.indexOf("Heron-Mini") === 0)
        return "MINI"
    return id
}

function label(id, zh, modelId) {
    if (id === 0 && modelId)
        return shortModelName(modelId)
    var s = find(id)
    return s ? (zh ? s.zh : s.en) : ""
}

function title(id, zh) {
    var t = titles[id]
    return t ? (zh ? t[1] : t[0]) : ""
}

// A section given on the command line: its number or its English rail name.
function parseSection(text) {
    if (text === undefined || text === null)
        return -1
    var t = String(text).trim().toLowerCase()
    if (t === "")
        return -1
    if (/^[0-9]+$/.test(t)) {
        var n = parseInt(t, 10)
        return find(n) ? n : -1
    }
    var names = { home: 0, link: 1, connection: 1, gimbal: 2, cam: 3, camera: 3, range: 9,
                  laser: 9, ch: 4, sbus: 4, net: 5, network: 5, ai: 6, osd: 7, dev: 8,
                  device: 8, input: 10, controls: 10 }
    return names.hasOwnProperty(t) ? names[t] : -1
}
