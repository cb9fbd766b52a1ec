import QtQuick 2.15
import QtQuick.Window 2.15
import QtTest 1.15
import Skyrig.UI 1.0

// The main page's own rules with recording doubles: section reads gated by
// the handshake, the rail's fallback on a product change, the hidden raw
// capture switch; long device values in their tiles.
TestCase {
    id: tc
    name: "Panels"
    when: windowShown
    width: 1400
    height: 860
    // A test case is hidden by default; these cases click real items.
    visible: true

    QtObject {
        id: ctl
        property bool handshakeReady: false
        property bool splitScreenMode: false
        property var calls: []
        function rec(name) { var c = calls.slice(); c.push(name); calls = c }
        function irAllParamsGet() { rec("irAllParamsGet") }
        function visAllParamsGet() { rec("visAllParamsGet") }
        function sbusConfigGet() { rec("sbusConfigGet") }
        function ipGet() { rec("ipGet") }
        function aiCategoriesGet() { rec("aiCategoriesGet") }
        function osdConfigGet() { rec("osdConfigGet") }
        function gimbalVersionGet() { rec("gimbalVersionGet") }
        function cameraVersionGet() { rec("cameraVersionGet") }
        function kernelVersionGet() { rec("kernelVersionGet") }
        function deviceSnGet() { rec("deviceSnGet") }
        function coreTempGet() { rec("coreTempGet") }
        function uartProtocolGet() { rec("uartProtocolGet") }
        function gimbalAngleControl(pd, p, yd, y) { rec("gimbalAngleControl " + [pd, p, yd, y].join(" ")) }
        function sbusRangeSet(max, min) { rec("sbusRangeSet " + max + " " + min) }
        function uartProtocolSet(p) { rec("uartProtocolSet " + p) }
    }
    QtObject {
        id: cam
        property string modelId: "Heron"
        property string defaultVideoUrl: "rtsp://127.0.0.1:8554/test"
        property bool autoStream: false
        property bool videoPointAimEnabled: true
        property bool hasVisibleLight: true; property bool hasInfrared: true; property bool hasLaser: true
        property bool hasAiRecognition: true; property bool hasOsd: true; property bool hasNetworkConfig: true
        property bool hasSbus: true; property bool hasSbusRange: true; property bool hasUartProtocolConfig: true
        property bool hasHttpFirmwareUpgrade: false; property bool hasGimbalPointAim: true
        property bool hasAlbum: true; property bool hasIrTemp: true; property bool hasVideoOutputFormat: true
        property bool hasIrAiSuperRes: false; property bool hasIrFusion: false; property bool irFusionOffsetLimited: true
        property real yawMinDeg: -180; property real yawMaxDeg: 180
        property real pitchMinDeg: -90; property real pitchMaxDeg: 30
        property real visZoomMin: 1; property real visZoomMax: 30; property real visZoomStep: 0.1
        property real irZoomMin: 1; property real irZoomMax: 8; property real irZoomStep: 1
        property int visFusionHMin: 0; property int visFusionHMax: 10; property int visFusionVMin: 0; property int visFusionVMax: 10
        property int irFusionHMin: 0; property int irFusionHMax: 10; property int irFusionVMin: 0; property int irFusionVMax: 10
        signal changed()
        function aiCategories(zh) { return [{ label: "Person", value: 1, writeValue: 1 }] }
        function firmwareUpgradeFileNameHint(zh) { return "" }
        function irColorPalettes(zh, type) { return [] }
        function photoResolutions(zh) { return [] }
        function recordResolutions(zh) { return [] }
        function streamResolutions(zh) { return [] }
        function bitrates(zh) { return [] }
        function videoOutputModes(zh) { return [] }
        function osdItems(zh) { return [] }
    }
    QtObject {
        id: logger
        property bool rawCaptureEnabled: false
        property var lines: []
        function append(t) { var l = lines.slice(); l.push(t); lines = l }
        function clear() {}
    }
    QtObject { id: language; property bool isChinese: false }
    QtObject {
        id: gimbal
        property bool reporting: false; property int uartProtocol: 1
        property var osdConfigs: []; property bool osdWatermarkEnabled: false
        property real pitchJoint: 12.5; property real yawJoint: -30; property real rollJoint: 0.25
    }
    QtObject {
        id: link
        property var connects: []
        function connectSerial(port, baud) { connects = connects.concat(["'" + port + "' " + baud]) }
        function refreshSerialPorts() {}
        property bool serialConnected: false; property bool udpConnected: true
        property string udpIp: "127.0.0.1"; property int udpPort: 1030
        property int connectionTab: 1; property var portList: []
    }

    Component {
        id: controlPageComponent
        Loader { source: "qrc:/qml/ControlPage.qml" }
    }
    Component {
        id: tileComponent
        ValueTile { caption: "Serial number" }
    }
    Component {
        id: mainPageComponent
        Loader { source: "qrc:/qml/MainPage.qml" }
    }

    function init() {
        ctl.calls = []
        ctl.handshakeReady = false
        logger.lines = []
        cam.hasAiRecognition = true
        cam.hasLaser = true
        language.isChinese = false
        Core.control = ctl
        Core.camera = cam
        Core.logger = logger
        Core.link = link
        for (var k of ["gimbal", "settings", "album", "urls", "upgrade", "logLines", "keys"])
            Core[k] = null
    }

    function controlPage(height) {
        var loader = createTemporaryObject(controlPageComponent, tc, { width: 430, height: height })
        tryCompare(loader, "status", Loader.Ready, 30000)
        return loader.item
    }
    // A section's items exist once its loader has loaded it.
    function child(page, name) {
        var found = null
        tryVerify(function () { found = findChild(page, name); return found !== null }, 30000, name)
        return found
    }

    function test_readsWaitForHandshake() {
        var page = controlPage(800)
        page.section = 8
        compare(ctl.calls, [], "nothing before the handshake")
        ctl.handshakeReady = true
        compare(ctl.calls, ["gimbalVersionGet", "cameraVersionGet", "kernelVersionGet", "deviceSnGet", "coreTempGet",
                            "uartProtocolGet"])
        ctl.calls = []
        page.section = 3
        compare(ctl.calls, ["irAllParamsGet", "visAllParamsGet"], "entering a section reads it")
        ctl.calls = []
        page.section = 2
        compare(ctl.calls, [])
        ctl.handshakeReady = false
        page.section = 6
        compare(ctl.calls, [], "nothing after the link went down")
    }

    // Numbers only while the camera reports: "--" before the first report,
    // while it is silent and after a disconnect, and the header says why.
    function test_silentCameraShowsNoNumbers_data() {
        return [
            { tag: "link down", ready: false, reporting: false, chip: "Handshaking", badge: "No reports", pitch: "--" },
            { tag: "answered, no report yet", ready: true, reporting: false, chip: "No reports", badge: "No reports", pitch: "--" },
            { tag: "reporting", ready: true, reporting: true, chip: "Ready", badge: "Reporting", pitch: "12.50" }
        ]
    }
    function test_silentCameraShowsNoNumbers(data) {
        Core.gimbal = gimbal
        Core.settings = language
        gimbal.reporting = data.reporting
        ctl.handshakeReady = data.ready
        var page = controlPage(800)
        page.section = 2
        compare(child(page, "pitchTile").value, data.pitch)
        compare(findChild(page, "panelLinkChip").text, data.chip)
        compare(findChild(page, "attitudeBadge").text, data.badge)
        compare(findChild(page, "rollTile").value, data.reporting ? "0.25" : "--")
    }

    // Layouts place their items on the next frame: a click before that lands
    // where the item is not yet, which a loaded machine makes likely.
    function settle(item) {
        tryVerify(function () {
            for (var p = item; p; p = p.parent) {
                if (isPolishScheduled(p))
                    return false
            }
            return true
        }, 30000, "laid out before it is clicked")
    }

    // Keys reach only the active window; without a window manager an
    // activation request can be lost, so it is asked for until it takes.
    function activate() {
        var w = tc.Window.window
        tryVerify(function () {
            if (!w.active)
                w.requestActivate()
            return w.active
        }, 30000, "the window takes the keyboard")
    }

    // Typed into the forms for real: an empty field sends nothing, an angle
    // beyond the model's range is shown at its limit before it is sent, and
    // an SBUS range whose minimum is above its maximum is refused.
    function test_formsRefuseWhatTheyCannotSend_data() {
        return [
            { tag: "empty pitch", section: 2, fields: { pitchSpin: "", yawSpin: "10" }, button: "setAngle",
              sent: [], shown: { pitchSpin: "" }, hint: "[Gimbal/Hint] Pitch/Yaw cannot be empty" },
            { tag: "pitch above the range", section: 2, fields: { pitchSpin: "50", yawSpin: "-20.5" }, button: "setAngle",
              sent: ["gimbalAngleControl 0 30 0 20.5"], shown: { pitchSpin: "30.00" },
              hint: "[Gimbal/Hint] Pitch 50 is outside -90…30°, set to 30.00°" },
            { tag: "yaw below the range", section: 2, fields: { pitchSpin: "-10", yawSpin: "-200" }, button: "setAngle",
              sent: ["gimbalAngleControl 1 10 0 180"], shown: { yawSpin: "-180.00" },
              hint: "[Gimbal/Hint] Yaw -200 is outside -180…180°, set to -180.00°" },
            { tag: "sbus minimum above maximum", section: 4, fields: { sbusMaxSpin: "200", sbusMinSpin: "900" },
              button: "sbusRangeApply", sent: [], shown: {},
              hint: "[SBUS/Hint] The minimum cannot be above the maximum" },
            { tag: "sbus range", section: 4, fields: { sbusMaxSpin: "1800", sbusMinSpin: "200" },
              button: "sbusRangeApply", sent: ["sbusRangeSet 1800 200"], shown: {}, hint: "" }
        ]
    }
    function test_formsRefuseWhatTheyCannotSend(data) {
        Core.settings = language
        var page = controlPage(2400)
        page.section = data.section
        var button = child(page, data.button)
        ctl.calls = []
        logger.lines = []
        activate()
        for (var name in data.fields) {
            var field = findChild(page, name)
            settle(field)
            mouseClick(field.contentItem)
            tryVerify(function () { return field.contentItem.activeFocus }, 30000, name + " takes the focus")
            keySequence(StandardKey.SelectAll)
            keyClick(Qt.Key_Backspace)
            for (var i = 0; i < data.fields[name].length; ++i)
                keyClick(data.fields[name][i])
            compare(field.shownText, data.fields[name], name + " shows what was typed")
        }
        settle(button)
        mouseClick(button)
        compare(ctl.calls, data.sent)
        for (var shownName in data.shown)
            compare(findChild(page, shownName).shownText, data.shown[shownName])
        compare(logger.lines, data.hint === "" ? [] : [data.hint])
        var problem = findChild(page, "sbusRangeProblem")
        compare(problem !== null && problem.visible, data.tag === "sbus minimum above maximum")
    }

    // What the camera takes, chosen by what it means: the serial port only
    // when one was found, the UART protocol by name, an OSD text within its
    // 64 bytes with the room left shown.
    function test_deviceFormsSendWhatTheCameraTakes() {
        Core.settings = language
        Core.gimbal = gimbal
        ctl.handshakeReady = true
        link.connectionTab = 0
        link.connects = []
        var page = controlPage(2400)
        page.section = 1
        var connect = child(page, "serialConnect")
        settle(connect)
        mouseClick(connect)
        compare(link.connects, ["'' 115200"])

        page.section = 8
        var protocol = child(page, "uartProtocol")
        compare(protocol.displayText, "MAVLink")
        ctl.calls = []
        protocol.currentIndex = 2
        var set = findChild(page, "uartProtocolSet")
        settle(set)
        mouseClick(set)
        compare(ctl.calls, ["uartProtocolSet 2"])

        page.section = 7
        var field = child(page, "osdText2")
        field.text = "\u4e2d".repeat(22)
        compare(field.text, "\u4e2d".repeat(21))
        compare(findChild(field, "fieldSuffix").text, "1 left")
        field.text = "x".repeat(40)
        compare(findChild(field, "fieldSuffix").text, "24 left")
        link.connectionTab = 1
    }

    function test_hiddenRawCaptureSwitch() {
        var page = controlPage(800)
        var title = findChild(page, "logTitle")
        var rawSwitch = findChild(page, "rawCaptureSwitch")
        verify(title && rawSwitch)
        verify(!rawSwitch.visible)
        settle(title)
        mouseClick(title)
        mouseClick(title)
        verify(!rawSwitch.visible, "two clicks are not enough")
        mouseClick(title)
        tryVerify(function () { return rawSwitch.visible }, 5000, "three clicks reveal the switch")
        // The header lays the switch out on the next frame the display draws.
        tryVerify(function () { return rawSwitch.mapToItem(null, 0, 0).x > title.mapToItem(null, title.width, 0).x }, 30000)
        logger.rawCaptureEnabled = true
        settle(title)
        for (var i = 0; i < 3; ++i)
            mouseClick(title)
        verify(!rawSwitch.visible)
        verify(!logger.rawCaptureEnabled, "hiding the switch stops the capture")
    }

    // The rail falls back to the link when the product loses the section
    // shown; a message shown before a language switch is shown in the new
    // language.
    function test_mainPage() {
        Core.settings = language
        var loader = createTemporaryObject(mainPageComponent, tc, { width: 1400, height: 860 })
        tryCompare(loader, "status", Loader.Ready, 30000)
        var page = loader.item
        compare(page.currentSection, 2, "starts on the gimbal")
        page.selectSection(6)
        compare(page.currentSection, 6)
        verify(findChild(page, "nav_6") !== null)
        cam.hasAiRecognition = false
        cam.changed()
        compare(page.currentSection, 1, "AI is gone: back to the link")
        page.selectSection(9)
        cam.hasAiRecognition = true
        cam.changed()
        compare(page.currentSection, 9, "a section that stays is kept")

        var panel = findChild(page, "videoPanel")
        panel.startPlayback("")
        compare(panel.operationMessage, "Video source is empty")
        language.isChinese = true
        compare(panel.operationMessage, "视频源为空")
    }

    // A device value never runs past its tile and never changes the tile's
    // height: it shrinks to fit, and only an absurd one is shortened.
    function test_longValuesFit_data() {
        return [
            { tag: "serial across the card", width: 380, value: "SKR-HERON-2026-000123456789ABCDEF", unit: "", whole: true },
            { tag: "version in a half tile", width: 180, value: "5.10.104-tegra-r35", unit: "", whole: true },
            { tag: "temperature with its unit", width: 180, value: "46.6", unit: "°C", whole: true },
            { tag: "absurd value", width: 180, value: "SN".repeat(60), unit: "", whole: false }
        ]
    }
    function test_longValuesFit(data) {
        var plain = createTemporaryObject(tileComponent, tc, { width: data.width, value: "--" })
        var tile = createTemporaryObject(tileComponent, tc, { width: data.width, value: data.value, unit: data.unit })
        var text = findChild(tile, "tileValue")
        tryVerify(function () { return text.paintedWidth > 0 })
        verify(text.mapToItem(tile, text.paintedWidth, 0).x <= tile.width, "inside the tile")
        compare(text.truncated, !data.whole)
        compare(tile.implicitHeight, plain.implicitHeight)
    }
}
