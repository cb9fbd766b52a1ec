import QtQuick 2.15
import QtTest 1.15
import Skyrig.UI 1.0

// The album panel's texts in both languages and its selection rule.
TestCase {
    name: "AlbumRules"

    // Each text function takes the language last.
    function test_texts_data() {
        return [
            { tag: "nothing selected", f: "selectionSummary", args: [0], en: "Select items for batch actions", zh: "选择项目以执行批量操作" },
            { tag: "one selected", f: "selectionSummary", args: [1], en: "1 selected", zh: "已选 1 项" },
            { tag: "many selected", f: "selectionSummary", args: [12], en: "12 selected", zh: "已选 12 项" },
            { tag: "deselect all", f: "selectAllLabel", args: [true], en: "Deselect all", zh: "非全选" },
            { tag: "select all", f: "selectAllLabel", args: [false], en: "Select all", zh: "全选" },
            { tag: "refreshing", f: "refreshLabel", args: [true], en: "Refreshing media list", zh: "正在刷新媒体列表" },
            { tag: "refresh", f: "refreshLabel", args: [false], en: "Refresh media list", zh: "刷新媒体列表" },
            { tag: "delete one of a selection", f: "deleteSelectedText", args: [1], en: "Delete selected 1 file?", zh: "确定删除选中的 1 个文件吗？" },
            { tag: "delete two", f: "deleteSelectedText", args: [2], en: "Delete selected 2 files?", zh: "确定删除选中的 2 个文件吗？" },
            { tag: "delete a file", f: "deleteSingleText", args: ["DJI_01.jpg"], en: "Delete \"DJI_01.jpg\"?", zh: "确定删除 “DJI_01.jpg” 吗？" },
            { tag: "cancel a batch", f: "cancelLabel", args: [5, 2], en: "Cancel batch (2/5)", zh: "取消批量 (2/5)" },
            { tag: "cancel a download", f: "cancelLabel", args: [0, 0], en: "Cancel", zh: "取消下载" }
        ]
    }
    function test_texts(data) {
        compare(AlbumRules[data.f].apply(null, data.args.concat([false])), data.en)
        compare(AlbumRules[data.f].apply(null, data.args.concat([true])), data.zh)
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

    function test_minSecAndItems() {
        compare([0, 59999, 61000, 600000].map(AlbumRules.minSec), ["0:00", "0:59", "1:01", "10:00"])
        compare(AlbumRules.withCount("Download selected", 0), "Download selected")
        compare(AlbumRules.withCount("下载选中", 3), "下载选中 (3)")
        compare(AlbumRules.itemName({ name: "" }), "--")
        compare(AlbumRules.itemMeta({ sizeText: "2.0 KB", timeText: "2025-03-14 09:30" }), "2.0 KB · 2025-03-14 09:30")
    }
}
