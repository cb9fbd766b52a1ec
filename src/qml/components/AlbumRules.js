.pragma library

function selectionSummary(n, zh) {
    if (n > 0)
        return zh ? "已选 " + n + " 项" : n + " selected"
    return zh ? "选择项目以执行批量操作" : "Select items for batch actions"
}

// True when every filtered item (with a path) is selected and there is one.
function allSelected(filtered, selectedPaths) {
    if (!filtered || filtered.length === 0)
        return false
    var sel = {}
    for (var i = 0; i < (selectedPaths ? selectedPaths.length : 0); ++i)
        sel[selectedPaths[i]] = true
    var any = false
    for (var j = 0; j < filtered.length; ++j) {
        var p = filtered[j].path
        if (!p)
            continue
        any = true
        if (!sel[p])
            return false
    }
    return any
}

function selectAllLabel(all, zh) {
    return all ? (zh ? "非全选" : "Deselect all") : (zh ? "全选" : "Select all")
}

function withCount(label, n) {
    return n > 0 ? label + " (" + n + ")" : label
}

function deleteSingleText(name, zh) {
    return zh ? "确定删除 “" + name + "” 吗？" : "Delete \"" + name + "\"?"
}

function deleteSelectedText(n, zh) {
    if (zh)
        return "确定删除选中的 " + n + " 个文件吗？"
    return n === 1 ? "Delete selected 1 file?" : "Delete selected " + n + " files?"
}

function cancelLabel(batchTotal, batchCompleted, zh) {
    if (batchTotal > 0)
        return (zh ? "取消批量" : "Cancel batch") + " (" + batchCompleted + "/" + batchTotal + ")"
    return zh ? "取消下载" : "Cancel"
}

function refreshLabel(loading, zh) {
    return loading ? (zh ? "正在刷新媒体列表" : "Refreshing media list")
                   : (zh ? "刷新媒体列表" : "Refresh media list")
}

function minSec(ms) {
    var s = Math.max(0, Math.floor(Number(ms) / 1000))
    var r = s % 60
    return Math.floor(s / 60) + ":" + (r < 10 ? "0" : "") + r
}

// A clip's length as the player shows it: the length the album lists for it
// (so both read the same), else the device's length to the nearest second.
function lengthText(totalMs, listedText) {
    if (listedText)
        return listedText
    return minSec(Math.round(Math.max(0, Number(totalMs)) / 1000) * 1000)
}

// The play position; at the end it reads as the clip's length.
function positionText(positionMs, totalMs, listedText) {
    if (Number(totalMs) > 0 && Number(positionMs) >= Number(totalMs))
        return lengthText(totalMs, listedText)
    return minSec(positionMs)
}

function itemName(item) {
    return item && item.name ? item.name : "--"
}

function itemMeta(item) {
    if (!item)
        return ""
    return (item.sizeText || "") + " · " + (item.timeText || "")
}
