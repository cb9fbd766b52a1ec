import QtQuick 2.15
import QtTest 1.15
import Skyrig.UI 1.0

// Which sections the rail shows, their short labels and the names a command
// line may give (the fallback on a product change is driven in tst_panels).
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

    function test_labels_data() {
        return [
            { tag: "mini A", id: 0, zh: false, model: "Heron-Mini-A", label: "MINI-A" },
            { tag: "mini B", id: 0, zh: false, model: "Heron-Mini-B", label: "MINI-B" },
            { tag: "mini alias", id: 0, zh: false, model: "Heron-Mini", label: "MINI-B" },
            { tag: "other mini", id: 0, zh: false, model: "Heron-Mini-C", label: "MINI" },
            { tag: "heron", id: 0, zh: false, model: "Heron", label: "Heron" },
            { tag: "otter", id: 0, zh: false, model: "Otter", label: "Otter" },
            { tag: "home zh", id: 0, zh: true, model: "", label: "主页" },
            { tag: "home en", id: 0, zh: false, model: "", label: "Home" },
            { tag: "range zh", id: 9, zh: true, model: "Otter", label: "测距" },
            { tag: "channels en", id: 4, zh: false, model: "Otter", label: "CH" },
            { tag: "osd zh", id: 7, zh: true, model: "Otter", label: "OSD" }
        ]
    }
    function test_labels(data) {
        compare(NavRules.label(data.id, data.zh, data.model), data.label)
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
