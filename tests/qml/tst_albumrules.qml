import QtQuick 2.15
import QtTest 1.15
import Skyrig.UI 1.0

// The album panel's texts and selection rule.
TestCase {
    name: "AlbumRules"

    function test_summary_data() {
        return [
            { tag: "none", n: 0, en: "Select items for batch actions", zh: "选择项目以执行批量操作" },
            { tag: "one", n: 1, en: "1 selected", zh: "已选 1 项" },
            { tag: "many", n: 12, en: "12 selected", zh: "已选 12 项" }
        ]
    }
    function test_summary(data) {
        compare(AlbumRules.selectionSummary(data.n, false), data.en)
        compare(AlbumRules.selectionSummary(data.n, true), data.zh)
    }

    function test_allSelected_data() {
        var items = [{ path: "/a.jpg" }, { path: "/b.mp4" }, { path: "" }]
        return [
            { tag: "all", items: items, sel: ["/b.mp4", "/a.jpg"], all: true },
            { tag: "one missing", items: items, sel: ["/a.jpg"], all: false },
            { tag: "extra outside the filter", items: items, sel: ["/a.jpg", "/b.mp4", "/c.jpg"], all: true },
            { tag: "empty filter", items: [], sel: [], all: false }
        ]
    }
    function test_allSelected(data) {
        compare(AlbumRules.allSelected(data.items, data.sel), data.all)
    }

    function test_labels() {
        compare(AlbumRules.selectAllLabel(true, false), "Deselect all")
        compare(AlbumRules.selectAllLabel(true, true), "非全选")
        compare(AlbumRules.selectAllLabel(false, false), "Select all")
        compare(AlbumRules.selectAllLabel(false, true), "全选")
        compare(AlbumRules.withCount("Download selected", 0), "Download selected")
        compare(AlbumRules.withCount("下载选中", 3), "下载选中 (3)")
        compare(AlbumRules.refreshLabel(true, false), "Refreshing media list")
        compare(AlbumRules.refreshLabel(false, true), "刷新媒体列表")
    }

    function test_deleteTexts_data() {
        return [
            { tag: "one", n: 1, en: "Delete selected 1 file?", zh: "确定删除选中的 1 个文件吗？" },
            { tag: "two", n: 2, en: "Delete selected 2 files?", zh: "确定删除选中的 2 个文件吗？" }
        ]
    }
    function test_deleteTexts(data) {
        compare(AlbumRules.deleteSelectedText(data.n, false), data.en)
        compare(AlbumRules.deleteSelectedText(data.n, true), data.zh)
    }
    function test_deleteSingle() {
        compare(AlbumRules.deleteSingleText("DJI_01.jpg", false), "Delete \"DJI_01.jpg\"?")
        compare(AlbumRules.deleteSingleText("DJI_01.jpg", true), "确定删除 “DJI_01.jpg” 吗？")
    }

    function test_cancel() {
        compare(AlbumRules.cancelLabel(5, 2, false), "Cancel batch (2/5)")
        compare(AlbumRules.cancelLabel(5, 2, true), "取消批量 (2/5)")
        compare(AlbumRules.cancelLabel(0, 0, false), "Cancel")
        compare(AlbumRules.cancelLabel(0, 0, true), "取消下载")
    }

    function test_minSec_data() {
        return [{ tag: "0", ms: 0, t: "0:00" }, { tag: "59.9s", ms: 59999, t: "0:59" },
                { tag: "61s", ms: 61000, t: "1:01" }, { tag: "10m", ms: 600000, t: "10:00" }]
    }
    function test_minSec(data) {
        compare(AlbumRules.minSec(data.ms), data.t)
    }

    // The player's length agrees with the listed one; without one it is the
    // device's length to the nearest second; the end reads as the length.
    function test_clipLength_data() {
        return [{ tag: "listed 0:03, device 2.6 s", total: 2600, listed: "0:03", len: "0:03", end: "0:03" },
                { tag: "nothing listed, 61.6 s", total: 61600, listed: "", len: "1:02", end: "1:02" }]
    }
    function test_clipLength(data) {
        compare(AlbumRules.lengthText(data.total, data.listed), data.len)
        compare(AlbumRules.positionText(data.total, data.total, data.listed), data.end)
        compare(AlbumRules.positionText(1999, data.total, data.listed), "0:01")
    }

    function test_item() {
        compare(AlbumRules.itemName({ name: "" }), "--")
        compare(AlbumRules.itemMeta({ sizeText: "2.0 KB", timeText: "2025-03-14 09:30" }), "2.0 KB · 2025-03-14 09:30")
    }
}
