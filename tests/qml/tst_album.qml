import QtQuick 2.15
import QtTest 1.15
import Skyrig.UI 1.0

// The album panel against a recording album: header and footer, selection
// texts, select-all, delete confirmations, thumbnails arriving late, preview
// closing on delete.
TestCase {
    id: tc
    name: "AlbumPanel"
    when: windowShown
    width: 1200
    height: 800
    visible: true

    // Only what the panel reads and the calls these cases make.
    QtObject {
        id: album
        property bool open: true; property bool loading: false
        property bool downloading: false; property bool deleting: false; property int downloadProgress: 0
        property string statusMessage: "3 files"; property int filterIndex: 0
        property var filteredItems: [
            { path: "/DCIM/a.jpg", name: "a.jpg", type: "photo", sizeText: "2.0 MB", timeText: "2025-03-14 09:30", durationText: "" },
            { path: "/DCIM/b.mp4", name: "b.mp4", type: "video", sizeText: "20.0 MB", timeText: "2025-03-14 09:31", durationText: "1:05" },
            { path: "/DCIM/c.jpg", name: "", type: "photo", sizeText: "1.0 MB", timeText: "--", durationText: "" }
        ]
        property var pagedItems: filteredItems
        property int currentPage: 1; property int totalPages: 1
        property bool canGoPrevious: false; property bool canGoNext: false
        property string playingPath: ""; property int playbackTotalMs: 0; property int playbackPositionMs: 0
        property bool playbackPaused: false; property bool playbackHasFrame: false; property string playbackError: ""
        property string downloadingPath: ""; property string downloadDirectory: "/tmp/downloads"
        property var selectedPaths: []; property int selectedCount: selectedPaths.length
        property int batchTotal: 0; property int batchCompleted: 0; property bool sendClientEndpoint: true
        property var thumbs: ({}); property var calls: []
        signal thumbnailReady(string path)
        signal fileDeleted(string path)
        function rec(c) { var l = calls.slice(); l.push(c); calls = l }
        function thumbnailForPath(p) { return thumbs[p] || "" }
        function toggleSelection(p) {
            var s = selectedPaths.slice(), i = s.indexOf(p)
            if (i >= 0) s.splice(i, 1); else s.push(p)
            selectedPaths = s
        }
        function selectAllFiltered() { selectedPaths = filteredItems.map(function (it) { return it.path }) }
        function clearSelection() { selectedPaths = [] }
        function deleteFile(p) { rec("deleteFile " + p) }
        function deleteSelected() { rec("deleteSelected") }
        function closeAlbum() { rec("closeAlbum") }
        function setPlaybackVideoTarget(t) { rec("setPlaybackVideoTarget") }
        function playVideo(p) { rec("playVideo " + p); playingPath = p }
        function stopVideo() { rec("stopVideo"); playingPath = "" }
    }

    Component {
        id: panelComponent
        Loader { source: "qrc:/qml/MediaAlbumPanel.qml" }
    }

    property var panel: null

    function init() {
        Core.album = album
        Core.settings = null
        album.selectedPaths = []
        album.calls = []
        album.thumbs = {}
        album.playingPath = ""
        album.currentPage = 1
        album.totalPages = 1
        album.statusMessage = "3 files"
        var loader = createTemporaryObject(panelComponent, tc, { width: 1200, height: 800 })
        tryCompare(loader, "status", 1, 30000)
        panel = loader.item
        waitForRendering(panel)
    }

    // Back and close both leave; the footer shows the page and, without a
    // status, "ready" (the panel speaks Chinese without a settings object).
    function test_headerAndFooter() {
        mouseClick(findChild(panel, "albumBack"))
        mouseClick(findChild(panel, "albumClose"))
        compare(album.calls, ["closeAlbum", "closeAlbum"])
        album.currentPage = 2
        album.totalPages = 5
        album.statusMessage = ""
        compare(findChild(panel, "pageIndicator").text, "2 / 5")
        compare(findChild(panel, "albumStatus").text, "就绪")
    }

    function test_selectionTexts() {
        var summary = findChild(panel, "selectionSummary")
        var selectAll = findChild(panel, "selectAll")
        var download = findChild(panel, "downloadSelected")
        compare([summary.text, selectAll.text, download.text], ["选择项目以执行批量操作", "全选", "下载选中"])
        album.toggleSelection("/DCIM/b.mp4")
        compare([summary.text, download.text], ["已选 1 项", "下载选中 (1)"])
        mouseClick(selectAll)
        compare(album.selectedCount, 3)
        compare(selectAll.text, "非全选", "everything filtered is selected")
        mouseClick(selectAll)
        compare(album.selectedCount, 0, "deselect all clears the selection")
    }

    // Both confirmations: the text, a cancel that sends nothing, and what
    // confirming deletes.
    function test_deleteConfirmation_data() {
        return [
            { tag: "selection", single: false, text: "确定删除选中的 3 个文件吗？", call: "deleteSelected" },
            { tag: "one file", single: true, text: "确定删除 “a.jpg” 吗？", call: "deleteFile /DCIM/a.jpg" }
        ]
    }
    function test_deleteConfirmation(data) {
        var ask = function () {
            if (data.single)
                panel.askDeleteOne("/DCIM/a.jpg", "a.jpg")
            else
                mouseClick(findChild(panel, "deleteSelected"))
        }
        album.selectAllFiltered()
        ask()
        var confirm = findChild(panel, "deleteConfirm")
        verify(confirm.visible)
        compare(findChild(panel, "deleteText").text, data.text)
        mouseClick(findChild(panel, "deleteCancel"))
        verify(!confirm.visible)
        compare(album.calls, [], "cancel sends nothing")
        ask()
        mouseClick(findChild(panel, "deleteConfirmButton"))
        compare(album.calls, [data.call])
    }

    function test_thumbnailArrivesLate() {
        if (Qt.platform.pluginName === "offscreen")
            skip("needs a display for pictures of the window (run under xvfb-run)")
        var grid = findChild(panel, "albumGrid")
        var before = grabImage(grid)
        album.thumbs = { "/DCIM/a.jpg": "qrc:/qml/art/otter.svg" }
        album.thumbnailReady("/DCIM/a.jpg")
        // Decoding and drawing the picture is the image loader's and the
        // display's work.
        tryVerify(function () { return !grabImage(grid).equals(before) }, 30000, "the tile shows the picture")
    }

    function test_videoPreviewClosesOnDelete() {
        album.playbackTotalMs = 64600
        panel.openPreview(album.filteredItems[1])
        verify(findChild(panel, "albumPreview").visible)
        compare(findChild(panel, "playLength").text, "1:05", "the length the album lists")
        tryVerify(function () { return album.calls.indexOf("playVideo /DCIM/b.mp4") >= 0 })
        compare(album.calls[0], "setPlaybackVideoTarget", "the target is set before playing")
        album.fileDeleted("/DCIM/b.mp4")
        verify(!findChild(panel, "albumPreview").visible)
        verify(album.calls.indexOf("stopVideo") >= 0, "closing the preview stops the video")
    }
}
