import QtQuick 2.15
import QtTest 1.15
import Skyrig.UI 1.0

// Which sections the rail shows, their short labels and the fallback.
TestCase {
    name: "NavRules"

    function caps(over) {
        var c = { hasVisibleLight: true, hasInfrared: true, hasLaser: true, hasSbus: true,
                  hasNetworkConfig: true, hasAiRecognition: true, hasOsd: true }
        for (var k in over)
            c[k] = over[k]
        return c
    }

    function test_visible_data() {
        return [
            { tag: "no model", caps: null, ids: [0, 1, 2, 3, 9, 4, 5, 6, 7, 10, 8] },
            { tag: "everything", caps: caps({}), ids: [0, 1, 2, 3, 9, 4, 5, 6, 7, 10, 8] },
            { tag: "bare", caps: caps({ hasLaser: false, hasSbus: false, hasNetworkConfig: false,
                                        hasAiRecognition: false, hasOsd: false }), ids: [0, 1, 2, 3, 10, 8] },
            { tag: "infrared only camera", caps: caps({ hasVisibleLight: false }), ids: [0, 1, 2, 3, 9, 4, 5, 6, 7, 10, 8] },
            { tag: "no camera", caps: caps({ hasVisibleLight: false, hasInfrared: false, hasLaser: false }),
              ids: [0, 1, 2, 4, 5, 6, 7, 10, 8] }
        ]
    }
    function test_visible(data) {
        compare(NavRules.visibleIds(data.caps), data.ids)
    }

    function test_fallback_data() {
        var bare = caps({ hasLaser: false, hasSbus: false, hasNetworkConfig: false, hasAiRecognition: false, hasOsd: false })
        return [
            { tag: "AI gone", current: 6, caps: bare, expected: 1 },
            { tag: "range gone", current: 9, caps: bare, expected: 1 },
            { tag: "gimbal stays", current: 2, caps: bare, expected: 2 },
            { tag: "device stays", current: 8, caps: bare, expected: 8 },
            { tag: "AI kept", current: 6, caps: caps({}), expected: 6 }
        ]
    }
    function test_fallback(data) {
        compare(NavRules.afterModelChange(data.current, data.caps), data.expected)
    }

    function test_labels_data() {
        return [
            { tag: "mini A", id: "Heron-Mini-A", label: "MINI-A" },
            { tag: "mini B", id: "Heron-Mini-B", label: "MINI-B" },
            { tag: "mini alias", id: "Heron-Mini", label: "MINI-B" },
            { tag: "other mini", id: "Heron-Mini-C", label: "MINI" },
            { tag: "heron", id: "Heron", label: "Heron" },
            { tag: "otter", id: "Otter", label: "Otter" }
        ]
    }
    function test_labels(data) {
        compare(NavRules.label(0, false, data.id), data.label)
    }

    function test_fixedLabels() {
        compare(NavRules.initialSection, 2)
        compare(NavRules.label(0, true, ""), "主页")
        compare(NavRules.label(0, false, ""), "Home")
        compare(NavRules.label(9, true, "Otter"), "测距")
        compare(NavRules.label(4, false, "Otter"), "CH")
        compare(NavRules.label(7, true, "Otter"), "OSD")
    }

    function test_parseSection_data() {
        return [
            { tag: "number", text: "8", id: 8 }, { tag: "name", text: "cam", id: 3 },
            { tag: "range", text: "Range", id: 9 }, { tag: "home", text: "0", id: 0 },
            { tag: "controls", text: "input", id: 10 },
            { tag: "unknown number", text: "11", id: -1 }, { tag: "unknown name", text: "video", id: -1 },
            { tag: "empty", text: "", id: -1 }
        ]
    }
    function test_parseSection(data) {
        compare(NavRules.parseSection(data.text), data.id)
    }
}
