import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0
import "video"

// The live video area: stream toolbar, the picture with its overlays and
// gestures, and the device capture bar. The state and the rules that span
// those parts live here; the parts in video/ show it and call back into it.
// Every gesture is converted from the picture into the device's logical
// canvas before it is sent.
Rectangle {
    id: videoPanel
    objectName: "videoPanel"
    property int outputModeValue: -1
    property bool smokeAlbum: false
    color: Theme.videoBackground

    // Objects.
    readonly property var st: Core.gimbal
    readonly property var cam: Core.camera
    readonly property var ctl: Core.control
    readonly property var album: Core.album
    readonly property var surface: surfaceLoader.item
    readonly property var player: surface ? surface.player : null
    readonly property var frame: surface ? surface.frame : null
    // The local recording (parts, telemetry, disk guard) of the player.
    readonly property var recordingSession: player ? player.recordingSession : null
    readonly property bool videoAvailable: Core.urls !== null

    // Panel state.
    property string persistedVideoUrl: ""
    property bool playbackRequested: false
    // The player's last error, in the language on screen now.
    readonly property string videoError: player ? player.lastError : ""
    property string operationMessage: ""
    // The last operation message in both languages (showOperation), so that
    // a language switch makes it again in the new one.
    property var operationTexts: null
    property var history: []
    property bool splitHold: false
    property bool localTracking: false
    property var box: null          // {x, y, w, h} in item pixels while dragging or tracking
    property var irBox: null        // measured area, item pixels
    property var irPointMark: null  // measured point, item pixels
    property bool albumResume: false
    property string albumResumeUrl: ""
    property int recordSeconds: 0
    property bool photoBusy: false
    property bool gridShown: false

    // Derived values.
    readonly property bool playing: !!player && player.playing
    readonly property bool linkUp: Core.linkUp
    readonly property bool sdValid: !!st && st.cameraSystemStatusValid
    readonly property int sdStatus: st ? st.sdStatus : -1
    readonly property bool sdReady: VideoRules.sdReady(sdValid, sdStatus)
    readonly property bool albumAllowed: !!cam && cam.hasAlbum && VideoRules.albumAllowed(sdValid, sdStatus)
    readonly property bool split: VideoRules.splitScreen(splitHold, outputModeValue, !!ctl && ctl.splitScreenMode,
                                                         st ? st.streamMode : -1)
    readonly property bool trackingAllowed: !!cam && cam.hasAiRecognition && !split
    readonly property bool irOnly: VideoRules.irOnlyStream(!!cam && cam.hasInfrared, !!st && st.connected,
                                                           sdValid, st ? st.streamMode : -1)
    readonly property bool irMeasuring: irOnly && !!cam && cam.hasIrTemp && !!st && st.irTempEnabled
    readonly property bool pointAimEnabled: !!cam && cam.hasGimbalPointAim && cam.videoPointAimEnabled
    readonly property bool deviceRecording: VideoRules.deviceRecording(sdValid, sdStatus, st ? st.recordStatus : 0)
    readonly property bool deviceTracking: !!st && st.aiTrackingActive
    readonly property bool trackingShown: localTracking || deviceTracking
    readonly property bool gesturesEnabled: playing && !split && (trackingAllowed || irMeasuring || pointAimEnabled)
    readonly property string modelKey: Core.modelId !== "" ? Core.modelId : "default"

    function say(text) { Core.say(text) }
    function tr(en, zh) { return Core.tr(en, zh) }
    // A message over the picture for the last operation; `tail` (a path, a
    // name) is the same in both languages.
    function showOperation(en, zh, tail) {
        var texts = { en: en, zh: zh, tail: tail === undefined ? "" : String(tail) }
        operationMessage = tr(en, zh) + texts.tail
        texts.made = operationMessage
        operationTexts = texts
    }
    Connections {
        target: Core
        function onZhChanged() {
            var t = videoPanel.operationTexts
            if (!t || videoPanel.operationMessage !== t.made)
                return
            videoPanel.operationMessage = videoPanel.tr(t.en, t.zh) + t.tail
            t.made = videoPanel.operationMessage
        }
    }

    // ---- URL history and playback ------------------------------------

    function loadHistory() {
        if (Core.urls) {
            Core.urls.modelId = modelKey
            history = Core.urls.urlList().slice(0, 4)
        } else {
            history = []
        }
        var pre = VideoRules.preselectedUrl(history, cam ? cam.defaultVideoUrl : "")
        if (!playbackRequested)
            toolbar.urlText = pre
        persistedVideoUrl = pre
    }
    function saveUrl(url) {
        if (!Core.urls)
            return
        Core.urls.saveUrlForModel(modelKey, url)
        history = Core.urls.urlList().slice(0, 4)
        say(tr("[Video/Saved] ", "[视频源/保存] ") + url + " (" + modelKey + ")")
        var host = VideoRules.urlHost(url)
        if (Core.link && VideoRules.isDottedIpv4(host)) {
            Core.link.saveUdpSettings(host, Core.link.udpPort)
            say(tr("[UDP/Sync IP] ", "[UDP/同步IP] ") + host + ":" + Core.link.udpPort)
        }
    }
    function startPlayback(text) {
        var url = String(text === undefined ? toolbar.urlText : text).trim()
        if (url === "") {
            showOperation("Video source is empty", "视频源为空")
            return
        }
        if (!player)
            return
        persistedVideoUrl = url
        toolbar.urlText = url
        saveUrl(url)
        playbackRequested = true
        surface.attach()
        player.start(url)
    }
    function stopPlayback() {
        playbackRequested = false
        if (!player)
            return
        if (surface.fullScreen)
            surface.closeFullScreen()
        player.stop()
        surface.release()
        cancelGestures()
    }
    function maybeAutoStart() {
        if (!cam || !cam.autoStream || !player || (album && album.open) || playing)
            return
        startPlayback(persistedVideoUrl !== "" ? persistedVideoUrl : toolbar.urlText)
    }
    // A stream setting changed on the camera: hold the picture, reconnect.
    function restartForStreamChange() {
        if (!player || !(player.playing || playbackRequested))
            return
        player.holdForStreamChange()
        streamRestart.restart()
    }
    Timer {
        id: streamRestart
        interval: 800
        onTriggered: if (videoPanel.player) videoPanel.player.reconnect()
    }

    // ---- Album -------------------------------------------------------

    function openAlbum() {
        if (!album || !albumAllowed)
            return
        albumResume = playing || playbackRequested
        albumResumeUrl = persistedVideoUrl
        if (player && player.recording)
            player.stopRecording()
        stopPlayback()
        album.openAlbum(Core.link ? Core.link.udpIp : "")
        if (!album.open)
            afterAlbum()
    }
    function afterAlbum() {
        if (albumResume && albumResumeUrl !== "") {
            albumResume = false
            startPlayback(albumResumeUrl)
        } else {
            albumResume = false
            maybeAutoStart()
        }
    }
    Connections {
        target: videoPanel.album
        ignoreUnknownSignals: true
        function onOpenChanged() {
            if (!videoPanel.album.open)
                videoPanel.afterAlbum()
        }
    }
    Timer {
        id: smokeTimer
        interval: 2500
        running: videoPanel.smokeAlbum
        onTriggered: videoPanel.openAlbum()
    }

    // ---- Tracking, measurement and aiming -----------------------------

    function stopTracking() {
        if (ctl)
            ctl.targetTrackingSet(false, 0, 0, 1, 1)
        localTracking = false
        box = null
        say(tr("[Tracking/Set] Target tracking stopped", "[追踪/设置] 已停止目标追踪"))
    }
    function cancelGestures() {
        overlays.cancelDrag()
    }
    onSplitChanged: {
        if (!split)
            return
        var active = localTracking || box !== null
        if (localTracking && ctl)
            ctl.targetTrackingSet(false, 0, 0, 1, 1)
        localTracking = false
        box = null
        if (active)
            say(tr("[Tracking/Hint] Tracking is not allowed in split-screen mode", "[追踪/提示] 分屏模式下不能开启跟踪"))
    }
    // The camera stopped tracking (target lost, reports stopped, link gone):
    // the drawn box and its stop button go with it.
    onDeviceTrackingChanged: {
        if (!deviceTracking) {
            localTracking = false
            box = null
        }
    }
    onIrMeasuringChanged: {
        if (irMeasuring) {
            if (localTracking && ctl)
                ctl.targetTrackingSet(false, 0, 0, 1, 1)
            localTracking = false
            box = null
        } else {
            irBox = null
            irPointMark = null
        }
    }
    Connections {
        target: videoPanel.st
        ignoreUnknownSignals: true
        function onCameraParamsChanged() {
            videoPanel.irBox = null
            videoPanel.irPointMark = null
        }
        function onPhotoStatusChanged() {
            if (videoPanel.photoBusy && VideoRules.photoDone(videoPanel.st.photoStatus)) {
                videoPanel.photoBusy = false
                photoTimeout.stop()
            }
        }
    }
    Connections {
        target: videoPanel.cam
        ignoreUnknownSignals: true
        function onChanged() {
            if (!videoPanel.cam.hasAiRecognition && videoPanel.localTracking)
                videoPanel.stopTracking()
            videoPanel.loadHistory()
            videoPanel.maybeAutoStart()
        }
        function onAutoStreamChanged() { videoPanel.maybeAutoStart() }
    }

    // ---- Capture -------------------------------------------------------

    function capture() {
        if (!ctl || !sdReady || photoBusy)
            return
        if (captureBar.captureModeIndex === 0) {
            ctl.takePhoto(0, 0, "", "")
            photoBusy = true
            photoTimeout.restart()
        } else {
            ctl.recordVideo(0, deviceRecording ? 2 : 1, "", "")
        }
    }
    Timer {
        id: photoTimeout
        interval: 5000
        onTriggered: {
            if (videoPanel.photoBusy) {
                videoPanel.photoBusy = false
                videoPanel.say(videoPanel.tr("[Photo] Status wait timed out", "[拍照] 等待拍照状态超时"))
            }
        }
    }
    Timer {
        id: recordClock
        interval: 1000
        repeat: true
        running: !!videoPanel.player && videoPanel.player.recordingReady
        onRunningChanged: {
            if (running)
                videoPanel.recordSeconds = 0
        }
        // The player's monotonic clock, not the wall clock, which may be set
        // while a recording runs. Rounded: a tick that comes a little early or
        // late must neither repeat a second nor skip one.
        onTriggered: videoPanel.recordSeconds = Math.round(videoPanel.player.recordingElapsedMs() / 1000)
    }
    Connections {
        target: videoPanel.player
        ignoreUnknownSignals: true
        function onErrorOccurred(error) {
            videoPanel.say(VideoRules.errorLine(error, Core.zh))
        }
    }
    // How a local recording ended (where it was saved, why it stopped, or
    // that nothing was recorded), shown as a grab's path is, and logged.
    Connections {
        target: videoPanel.recordingSession
        ignoreUnknownSignals: true
        function onEnded(saved, path) {
            var text = videoPanel.recordingSession.statusText
            if (text === "")
                return
            videoPanel.operationMessage = text
            videoPanel.say(videoPanel.tr("[Video/Record] ", "[视频/录像] ") + text)
        }
    }
    // What recordings and screenshots carry beside the picture.
    Binding {
        target: videoPanel.player ? videoPanel.player.telemetry : null
        property: "state"
        value: videoPanel.st
    }
    Binding {
        target: videoPanel.player ? videoPanel.player.telemetry : null
        property: "model"
        value: videoPanel.cam
    }
    Binding {
        target: videoPanel.player ? videoPanel.player.telemetry : null
        property: "irShown"
        value: videoPanel.irMeasuring
    }

    Shortcut {
        sequence: "F11"
        enabled: videoPanel.playing && !!videoPanel.surface && !videoPanel.surface.fullScreen
        onActivated: videoPanel.surface.openFullScreen()
    }

    Component.onCompleted: {
        loadHistory()
        Qt.callLater(maybeAutoStart)
    }

    // ---- Layout --------------------------------------------------------

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        VideoToolbar {
            id: toolbar
            panel: videoPanel
            Layout.fillWidth: true
        }

        // Picture.
        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true

            Loader {
                id: surfaceLoader
                objectName: "surfaceLoader"
                anchors.fill: parent
                source: videoPanel.videoAvailable ? "video/VideoSurface.qml" : ""
            }
            VideoOverlays {
                id: overlays
                panel: videoPanel
                anchors.fill: parent
            }
            VideoStatusOverlay {
                panel: videoPanel
                anchors.fill: parent
            }
        }

        VideoCaptureBar {
            id: captureBar
            panel: videoPanel
            Layout.fillWidth: true
        }
    }
}
