import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// The live video area: stream toolbar, the picture with its overlays and
// gestures, and the device capture bar. Every gesture is converted from the
// picture into the device's logical canvas before it is sent.
Rectangle {
    id: panel
    objectName: "videoPanel"
    property int outputModeValue: -1
    property bool smokeAlbum: false
    color: Theme.videoBackground

    // Objects.
    readonly property var st: Core.gimbal
    readonly property var cam: Core.camera
    readonly property var ctl: Core.control
    readonly property var album: Core.album
    readonly property var player: surfaceLoader.item ? surfaceLoader.item.player : null
    readonly property var frame: surfaceLoader.item ? surfaceLoader.item.frame : null
    readonly property bool videoAvailable: Core.urls !== null

    // Panel state.
    property string persistedVideoUrl: ""
    property bool playbackRequested: false
    property string videoError: ""
    property string operationMessage: ""
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
    readonly property bool trackingShown: localTracking || (!!st && st.aiTrackingActive)
    readonly property bool gesturesEnabled: playing && !split && (trackingAllowed || irMeasuring || pointAimEnabled)
    readonly property string modelKey: Core.modelId !== "" ? Core.modelId : "default"

    function say(text) { Core.say(text) }
    function tr(en, zh) { return Core.tr(en, zh) }

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
            urlField.editText = pre
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
        var url = String(text === undefined ? urlField.editText : text).trim()
        if (url === "") {
            operationMessage = tr("Video source is empty", "视频源为空")
            return
        }
        if (!player)
            return
        persistedVideoUrl = url
        urlField.editText = url
        saveUrl(url)
        videoError = ""
        playbackRequested = true
        surfaceLoader.item.attach()
        player.start(url)
    }
    function stopPlayback() {
        playbackRequested = false
        if (!player)
            return
        if (surfaceLoader.item.fullScreen)
            surfaceLoader.item.closeFullScreen()
        player.stop()
        surfaceLoader.item.release()
        cancelGestures()
    }
    function maybeAutoStart() {
        if (!cam || !cam.autoStream || !player || (album && album.open) || playing)
            return
        startPlayback(persistedVideoUrl !== "" ? persistedVideoUrl : urlField.editText)
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
        onTriggered: if (panel.player) panel.player.reconnect()
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
        target: panel.album
        ignoreUnknownSignals: true
        function onOpenChanged() {
            if (!panel.album.open)
                panel.afterAlbum()
        }
    }
    Timer {
        id: smokeTimer
        interval: 2500
        running: panel.smokeAlbum
        onTriggered: panel.openAlbum()
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
        dragBox.visible = false
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
        target: panel.st
        ignoreUnknownSignals: true
        function onCameraParamsChanged() {
            panel.irBox = null
            panel.irPointMark = null
        }
        function onPhotoStatusChanged() {
            if (panel.photoBusy && VideoRules.photoDone(panel.st.photoStatus)) {
                panel.photoBusy = false
                photoTimeout.stop()
            }
        }
    }
    Connections {
        target: panel.cam
        ignoreUnknownSignals: true
        function onChanged() {
            if (!panel.cam.hasAiRecognition && panel.localTracking)
                panel.stopTracking()
            panel.loadHistory()
            panel.maybeAutoStart()
        }
        function onAutoStreamChanged() { panel.maybeAutoStart() }
    }

    function streamPoint(x, y) {
        var p = frame.mapToVideo(x, y)
        return { x: p.x, y: p.y }
    }
    function onPictureClick(x, y) {
        var sw = frame.videoWidth, sh = frame.videoHeight
        if (sw <= 0 || sh <= 0)
            return
        var p = streamPoint(x, y)
        if (irMeasuring) {
            var ip = VideoRules.irPoint(p.x, p.y, sw, sh)
            ctl.irPointTempSet(ip.x, ip.y)
            irBox = null
            irPointMark = { x: x, y: y }
            say(tr("[IR/PointTemp] ", "[红外/点测温] ") + ip.x + "," + ip.y)
            return
        }
        if (pointAimEnabled) {
            var a = VideoRules.pointAim(p.x, p.y, sw, sh, st ? st.hybridZoom : 0)
            ctl.gimbalPointAim(0, a.zoom, a.x, a.y)
            say(tr("[Gimbal/PointAim] ", "[云台/指点] ") + "x=" + a.x + " y=" + a.y + " zoom=" + a.zoom.toFixed(1))
        }
    }
    function onPictureDrag(x1, y1, x2, y2) {
        var sw = frame.videoWidth, sh = frame.videoHeight
        if (sw <= 0 || sh <= 0)
            return
        // Clamp the screen box to the picture.
        var r = frame.mapFromVideo(0, 0), r2 = frame.mapFromVideo(sw, sh)
        var ax = Math.max(r.x, Math.min(x1, x2)), bx = Math.min(r2.x, Math.max(x1, x2))
        var ay = Math.max(r.y, Math.min(y1, y2)), by = Math.min(r2.y, Math.max(y1, y2))
        if (irMeasuring) {
            if (!VideoRules.boxBigEnough(bx - ax, by - ay)) {
                say(tr("[IR/Hint] Temp box is too small", "[红外/提示] 测温框太小"))
                return
            }
            var p1 = streamPoint(ax, ay), p2 = streamPoint(bx, by)
            var a = VideoRules.irArea(p1.x, p1.y, p2.x, p2.y, sw, sh)
            ctl.irAreaTempSet(a.w, a.h, a.cx, a.cy)
            irPointMark = null
            irBox = { x: ax, y: ay, w: bx - ax, h: by - ay }
            say(tr("[IR/AreaTemp] ", "[红外/区域测温] ") + a.w + "x" + a.h + " @" + a.cx + "," + a.cy)
            return
        }
        if (split) {
            say(tr("[Tracking/Hint] Tracking is not allowed in split-screen mode", "[追踪/提示] 分屏模式下不能开启跟踪"))
            return
        }
        if (!trackingAllowed)
            return
        if (!VideoRules.boxBigEnough(bx - ax, by - ay)) {
            say(tr("[Tracking/Hint] Target box is too small", "[追踪/提示] 目标框太小"))
            return
        }
        var q1 = streamPoint(ax, ay), q2 = streamPoint(bx, by)
        var t = VideoRules.trackingBox(q1.x, q1.y, q2.x, q2.y, sw, sh)
        ctl.targetTrackingSet(true, t.x, t.y, t.w, t.h)
        localTracking = true
        box = { x: ax, y: ay, w: bx - ax, h: by - ay }
        say(tr("[Tracking/Set] ", "[追踪/设置] ") + t.x + "," + t.y + " " + t.w + "x" + t.h)
    }

    // ---- Capture -------------------------------------------------------

    function capture() {
        if (!ctl || !sdReady || photoBusy)
            return
        if (photoMode.currentIndex === 0) {
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
            if (panel.photoBusy) {
                panel.photoBusy = false
                panel.say(panel.tr("[Photo] Status wait timed out", "[拍照] 等待拍照状态超时"))
            }
        }
    }
    Timer {
        id: recordClock
        interval: 1000
        repeat: true
        running: !!panel.player && panel.player.recordingReady
        onRunningChanged: {
            if (running)
                panel.recordSeconds = 0
        }
        // The player's monotonic clock, not the wall clock, which may be set
        // while a recording runs. Rounded: a tick that comes a little early or
        // late must neither repeat a second nor skip one.
        onTriggered: panel.recordSeconds = Math.round(panel.player.recordingElapsedMs() / 1000)
    }
    Connections {
        target: panel.player
        ignoreUnknownSignals: true
        function onErrorOccurred(error) {
            panel.videoError = error
            panel.say("[Video/Error] " + error)
        }
    }

    Shortcut {
        sequence: "F11"
        enabled: panel.playing && !!surfaceLoader.item && !surfaceLoader.item.fullScreen
        onActivated: surfaceLoader.item.openFullScreen()
    }

    Component.onCompleted: {
        loadHistory()
        Qt.callLater(maybeAutoStart)
    }

    // ---- Layout --------------------------------------------------------

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        // Stream toolbar.
        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: Theme.s(56)
            color: Theme.surface
            Rectangle { anchors.bottom: parent.bottom; width: parent.width; height: 1; color: Theme.divider }
            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: Theme.gapM
                anchors.rightMargin: Theme.gapM
                spacing: Theme.gapS
                SkyCombo {
                    id: urlField
                    objectName: "urlField"
                    Layout.fillWidth: true
                    Layout.minimumWidth: Theme.s(200)
                    editable: true
                    model: panel.history
                    tip: panel.tr("Stream address (rtsp://…); Enter plays it", "视频流地址（rtsp://…），回车播放")
                    accessibleName: panel.tr("Stream address", "视频流地址")
                    onAccepted: panel.startPlayback(editText)
                    onActivated: if (index >= 0) panel.persistedVideoUrl = panel.history[index]
                    Connections {
                        target: urlField.contentItem
                        ignoreUnknownSignals: true
                        function onTextEdited() {
                            var t = urlField.contentItem.text
                            var f = VideoRules.filterUrl(t)
                            if (f !== t) {
                                var pos = urlField.contentItem.cursorPosition - (t.length - f.length)
                                urlField.contentItem.text = f
                                urlField.contentItem.cursorPosition = Math.max(0, pos)
                            }
                        }
                    }
                }
                SkyButton {
                    objectName: "playButton"
                    kind: panel.playing ? "secondary" : "primary"
                    iconName: panel.playing ? "stop" : "play"
                    text: panel.playing ? panel.tr("Stop", "停止") : panel.tr("Play", "播放")
                    tip: panel.playing ? panel.tr("Stop the live video", "停止实时视频")
                                       : panel.tr("Play this stream", "播放该视频流")
                    enabled: !!panel.player
                    onClicked: panel.playing ? panel.stopPlayback() : panel.startPlayback(urlField.editText)
                }
                SkySwitch {
                    objectName: "autoStream"
                    text: panel.tr("Auto", "自动")
                    tip: panel.tr("Start the stream by itself for this product", "该型号自动开始拉流")
                    checked: !!panel.cam && panel.cam.autoStream
                    onToggled: if (panel.cam) panel.cam.setAutoStream(checked)
                }
                Rectangle { width: 1; Layout.preferredHeight: Theme.s(24); color: Theme.divider }
                IconButton {
                    objectName: "grabButton"
                    iconName: "snapshot"
                    tip: panel.tr("Save the current frame", "保存当前画面")
                    enabled: panel.playing
                    onClicked: {
                        var path = panel.player.captureFrame()
                        if (path !== "")
                            panel.operationMessage = panel.tr("Frame saved: ", "抓帧已保存: ") + path
                    }
                }
                SkyButton {
                    objectName: "localRecord"
                    kind: panel.player && panel.player.recording ? "danger" : "ghost"
                    iconName: "record"
                    tint: panel.player && panel.player.recording ? Theme.recording : Theme.textSecondary
                    text: panel.player && panel.player.recordingReady ? VideoRules.elapsedText(panel.recordSeconds) : ""
                    tip: panel.player && panel.player.recording ? panel.tr("Stop recording on this computer", "停止本地录像")
                                                                : panel.tr("Record the stream on this computer", "在本机录制视频流")
                    enabled: panel.playing
                    onClicked: {
                        if (panel.player.recording)
                            panel.player.stopRecording()
                        else
                            panel.player.startRecording(panel.persistedVideoUrl)
                    }
                }
                IconButton {
                    objectName: "gridButton"
                    iconName: "grid"
                    checkable: true
                    checked: panel.gridShown
                    tip: panel.tr("Show a thirds grid", "显示九宫格")
                    onToggled: panel.gridShown = checked
                }
                IconButton {
                    objectName: "fullScreenButton"
                    iconName: "fullscreen"
                    tip: panel.tr("Full screen (F11, Esc to leave)", "全屏（F11，Esc 退出）")
                    enabled: panel.playing
                    onClicked: surfaceLoader.item.openFullScreen()
                }
                SkyButton {
                    objectName: "albumButton"
                    visible: !!panel.cam && panel.cam.hasAlbum
                    iconName: "album"
                    text: panel.tr("Album", "相册")
                    tip: panel.albumAllowed ? panel.tr("Browse the camera's memory card", "浏览相机存储卡")
                                            : panel.tr("Needs a ready memory card", "需要存储卡就绪")
                    enabled: panel.albumAllowed && !!panel.album
                    onClicked: panel.openAlbum()
                }
            }
        }

        // Picture.
        Item {
            id: pictureArea
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true

            Loader {
                id: surfaceLoader
                objectName: "surfaceLoader"
                anchors.fill: parent
                source: panel.videoAvailable ? "VideoSurface.qml" : ""
            }
            Connections {
                target: surfaceLoader.item
                ignoreUnknownSignals: true
                function onFullScreenClosed() {}
            }

            // Placeholder while nothing is shown.
            Column {
                anchors.centerIn: parent
                spacing: Theme.gapM
                visible: !panel.frame || panel.frame.videoWidth <= 0
                Icon {
                    anchors.horizontalCenter: parent.horizontalCenter
                    name: panel.playing ? "video" : "play"
                    size: Theme.s(44)
                    color: Theme.textDisabled
                }
                Text {
                    objectName: "videoPlaceholder"
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: !panel.videoAvailable ? panel.tr("Live video is not available in this build", "当前版本不支持实时视频")
                          : panel.playing ? (panel.player.status !== "" ? panel.player.status : panel.tr("Connecting", "正在连接"))
                          : panel.tr("Press Play to watch the live video", "点击播放观看实时视频")
                    color: Theme.textTertiary
                    font.pixelSize: Theme.fontLabel
                }
                Text {
                    anchors.horizontalCenter: parent.horizontalCenter
                    visible: panel.videoError !== "" && panel.playing
                    text: panel.videoError
                    textFormat: Text.PlainText
                    color: Theme.danger
                    font.pixelSize: Theme.fontSmall
                }
            }

            // Thirds grid over the picture.
            Item {
                id: pictureRect
                readonly property var tl: panel.frame && panel.frame.videoWidth > 0 ? panel.frame.mapFromVideo(0, 0) : Qt.point(0, 0)
                readonly property var br: panel.frame && panel.frame.videoWidth > 0
                                          ? panel.frame.mapFromVideo(panel.frame.videoWidth, panel.frame.videoHeight)
                                          : Qt.point(pictureArea.width, pictureArea.height)
                x: tl.x
                y: tl.y
                width: br.x - tl.x
                height: br.y - tl.y
                visible: panel.gridShown && !!panel.frame && panel.frame.videoWidth > 0
                Repeater {
                    model: 2
                    Rectangle { x: pictureRect.width * (index + 1) / 3; width: 1; height: pictureRect.height; color: Qt.rgba(1, 1, 1, 0.35) }
                }
                Repeater {
                    model: 2
                    Rectangle { y: pictureRect.height * (index + 1) / 3; height: 1; width: pictureRect.width; color: Qt.rgba(1, 1, 1, 0.35) }
                }
            }

            // AI targets reported by the camera.
            Repeater {
                model: panel.st && panel.frame && panel.frame.videoWidth > 0 ? panel.st.aiTargets : []
                delegate: Rectangle {
                    readonly property var a: VideoRules.fromCanvas(modelData.x, modelData.y, panel.frame.videoWidth, panel.frame.videoHeight)
                    readonly property var b: VideoRules.fromCanvas(modelData.x + modelData.w, modelData.y + modelData.h,
                                                                   panel.frame.videoWidth, panel.frame.videoHeight)
                    readonly property var p: panel.frame.mapFromVideo(a.x, a.y)
                    readonly property var q: panel.frame.mapFromVideo(b.x, b.y)
                    x: p.x
                    y: p.y
                    width: Math.max(2, q.x - p.x)
                    height: Math.max(2, q.y - p.y)
                    color: "transparent"
                    border.width: 2
                    border.color: panel.st.aiTrackingActive ? Theme.warning : Theme.success
                    radius: 2
                }
            }

            // IR markers: hottest, coldest and centre points.
            Repeater {
                model: panel.irMeasuring && panel.st && panel.frame && panel.frame.videoWidth > 0 ? [
                    { x: panel.st.irMaxTempX, y: panel.st.irMaxTempY, t: panel.st.irMaxTemp, c: Theme.danger, n: "max" },
                    { x: panel.st.irMinTempX, y: panel.st.irMinTempY, t: panel.st.irMinTemp, c: Theme.accent, n: "min" },
                    { x: panel.st.irCenterTempX, y: panel.st.irCenterTempY, t: panel.st.irCenterTemp, c: Theme.text, n: "centre" }
                ] : []
                delegate: Item {
                    visible: modelData.x >= 0 && modelData.y >= 0
                    readonly property var s: VideoRules.fromCanvas(modelData.x, modelData.y, panel.frame.videoWidth, panel.frame.videoHeight)
                    readonly property var p: panel.frame.mapFromVideo(s.x, s.y)
                    x: p.x
                    y: p.y
                    Icon { x: -width / 2; y: -height / 2; name: "crosshair"; color: modelData.c; size: Theme.iconSize }
                    Rectangle {
                        x: Theme.gapS
                        y: -height - 2
                        width: tempLabel.implicitWidth + Theme.gapS
                        height: tempLabel.implicitHeight + 2
                        radius: Theme.radiusS
                        color: Theme.overlay
                        Text {
                            id: tempLabel
                            anchors.centerIn: parent
                            text: Number(modelData.t).toFixed(1) + "°C"
                            color: modelData.c
                            font.pixelSize: Theme.fontSmall
                            font.family: Theme.monoFamily
                        }
                    }
                }
            }
            Rectangle {
                visible: panel.irBox !== null
                x: panel.irBox ? panel.irBox.x : 0
                y: panel.irBox ? panel.irBox.y : 0
                width: panel.irBox ? panel.irBox.w : 0
                height: panel.irBox ? panel.irBox.h : 0
                color: Qt.rgba(1, 0.6, 0.3, 0.08)
                border.width: 2
                border.color: Theme.warning
            }
            Icon {
                visible: panel.irPointMark !== null
                x: panel.irPointMark ? panel.irPointMark.x - width / 2 : 0
                y: panel.irPointMark ? panel.irPointMark.y - height / 2 : 0
                name: "crosshair"
                color: Theme.warning
                size: Theme.iconSize * 1.3
            }
            // The tracking box the operator drew.
            Rectangle {
                visible: panel.box !== null && panel.localTracking
                x: panel.box ? panel.box.x : 0
                y: panel.box ? panel.box.y : 0
                width: panel.box ? panel.box.w : 0
                height: panel.box ? panel.box.h : 0
                color: "transparent"
                border.width: 2
                border.color: Theme.warning
            }
            Rectangle {
                id: dragBox
                visible: false
                color: Qt.rgba(0.23, 0.66, 1.0, 0.12)
                border.width: 1
                border.color: Theme.accent
            }

            MouseArea {
                id: gestures
                objectName: "pictureGestures"
                anchors.fill: parent
                enabled: panel.gesturesEnabled
                acceptedButtons: Qt.LeftButton
                cursorShape: enabled ? Qt.CrossCursor : Qt.ArrowCursor
                property real sx: 0
                property real sy: 0
                onPressed: {
                    sx = mouse.x
                    sy = mouse.y
                    dragBox.visible = false
                }
                onPositionChanged: {
                    if (!pressed || VideoRules.isClick(mouse.x - sx, mouse.y - sy))
                        return
                    dragBox.x = Math.min(sx, mouse.x)
                    dragBox.y = Math.min(sy, mouse.y)
                    dragBox.width = Math.abs(mouse.x - sx)
                    dragBox.height = Math.abs(mouse.y - sy)
                    dragBox.visible = true
                }
                onReleased: {
                    dragBox.visible = false
                    if (VideoRules.isClick(mouse.x - sx, mouse.y - sy))
                        panel.onPictureClick(mouse.x, mouse.y)
                    else
                        panel.onPictureDrag(sx, sy, mouse.x, mouse.y)
                }
                onCanceled: dragBox.visible = false
            }

            // Status overlay, top left.
            Row {
                x: Theme.gapM
                y: Theme.gapM
                spacing: Theme.gapS
                Chip {
                    objectName: "streamStatus"
                    visible: panel.playing
                    text: panel.player ? panel.player.status : ""
                    tone: panel.player && panel.frame && panel.frame.videoWidth > 0 && !panel.player.reconnecting ? Theme.success
                          : Theme.warning
                    pulse: !!panel.player && panel.player.reconnecting
                    color: Theme.overlay
                }
                Chip {
                    visible: panel.playing && !!panel.player && panel.player.streamWidth > 0
                    text: panel.player ? panel.player.streamWidth + "×" + panel.player.streamHeight + " · "
                                         + panel.player.codecName + " · " + panel.player.bitrateText : ""
                    tone: Theme.textSecondary
                    iconName: "video"
                    color: Theme.overlay
                }
                Chip {
                    visible: !!panel.player && panel.player.recording
                    text: panel.player && panel.player.recordingReady ? "REC " + VideoRules.elapsedText(panel.recordSeconds)
                                                                      : "REC"
                    tone: Theme.recording
                    pulse: true
                    color: Theme.overlay
                }
                Chip {
                    visible: panel.split
                    text: panel.tr("Split screen", "分屏")
                    tone: Theme.textSecondary
                    iconName: "grid"
                    color: Theme.overlay
                }
            }
            // Memory card, top right.
            Chip {
                objectName: "sdChip"
                anchors.right: parent.right
                anchors.top: parent.top
                anchors.margins: Theme.gapM
                visible: panel.sdValid
                iconName: "sd"
                text: VideoRules.sdText(panel.sdStatus, Core.zh) + " · "
                      + VideoRules.capacityText(panel.st ? panel.st.sdTotalMB : 0, panel.st ? panel.st.sdFreeMB : 0,
                                                panel.st ? panel.st.sdUsedMB : 0, Core.zh)
                tone: panel.sdStatus === 0 ? Theme.success : panel.sdStatus === 4 || panel.sdStatus === 2 ? Theme.warning
                                                                                                          : Theme.danger
                color: Theme.overlay
            }
            // Tracking control, bottom right.
            SkyButton {
                objectName: "stopTracking"
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                anchors.margins: Theme.gapM
                visible: panel.trackingShown
                kind: "danger"
                iconName: "target"
                text: panel.tr("Stop tracking", "停止追踪")
                tip: panel.tr("Stop following the target", "停止目标追踪")
                onClicked: panel.stopTracking()
            }
            // Operation message, bottom left.
            Rectangle {
                anchors.left: parent.left
                anchors.bottom: parent.bottom
                anchors.margins: Theme.gapM
                visible: panel.operationMessage !== ""
                width: Math.min(opText.implicitWidth + 2 * Theme.gapM, parent.width - 2 * Theme.gapM)
                height: opText.implicitHeight + Theme.gapS * 2
                radius: Theme.radiusM
                color: Theme.overlay
                Text {
                    id: opText
                    objectName: "operationMessage"
                    anchors.centerIn: parent
                    width: parent.width - 2 * Theme.gapM
                    text: panel.operationMessage
                    textFormat: Text.PlainText
                    color: Theme.text
                    font.pixelSize: Theme.fontSmall
                    elide: Text.ElideMiddle
                }
                Timer {
                    running: parent.visible
                    interval: 6000
                    onTriggered: panel.operationMessage = ""
                }
            }
        }

        // Capture bar and telemetry.
        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: Theme.s(112)
            color: Theme.surface
            Rectangle { width: parent.width; height: 1; color: Theme.divider }
            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: Theme.gapL
                anchors.rightMargin: Theme.gapL
                spacing: Theme.gapL

                ColumnLayout {
                    spacing: Theme.gapS
                    Segmented {
                        id: photoMode
                        objectName: "captureMode"
                        Layout.preferredWidth: Theme.s(200)
                        tip: panel.tr("Capture mode", "拍摄模式")
                        options: [{ label: panel.tr("Photo", "拍照"), icon: "photo" }, { label: panel.tr("Video", "录像"), icon: "video" }]
                        currentIndex: panel.st && panel.st.photoVideoMode === 1 ? 1 : 0
                        onActivated: if (panel.ctl) panel.ctl.photoVideoModeSet(index === 1 ? 1 : 0)
                    }
                    Text {
                        text: panel.sdValid ? VideoRules.sdText(panel.sdStatus, Core.zh) : panel.tr("Memory card not reported", "未上报存储卡状态")
                        color: Theme.textTertiary
                        font.pixelSize: Theme.fontSmall
                    }
                }
                // The shutter.
                AbstractButton {
                    id: shutter
                    objectName: "captureButton"
                    Layout.preferredWidth: Theme.s(64)
                    Layout.preferredHeight: Theme.s(64)
                    enabled: panel.sdReady && !!panel.ctl && !panel.photoBusy
                    hoverEnabled: true
                    focusPolicy: Qt.StrongFocus
                    Accessible.role: Accessible.Button
                    Accessible.name: photoMode.currentIndex === 0 ? panel.tr("Take photo", "拍照")
                                     : panel.deviceRecording ? panel.tr("Stop recording", "停止录像") : panel.tr("Start recording", "开始录像")
                    ToolTip.text: panel.sdReady ? Accessible.name : panel.tr("Needs a ready memory card", "需要存储卡就绪")
                    ToolTip.visible: hovered
                    ToolTip.delay: 500
                    onClicked: panel.capture()
                    background: Rectangle {
                        radius: width / 2
                        color: "transparent"
                        border.width: Theme.s(3)
                        border.color: shutter.enabled ? Theme.text : Theme.textDisabled
                        Rectangle {
                            anchors.centerIn: parent
                            readonly property bool rec: photoMode.currentIndex === 1
                            width: rec && panel.deviceRecording ? parent.width * 0.38 : parent.width * 0.74
                            height: width
                            radius: rec && panel.deviceRecording ? Theme.radiusS : width / 2
                            color: !shutter.enabled ? Theme.textDisabled
                                   : rec ? Theme.recording : shutter.pressed ? Theme.textSecondary : Theme.text
                            Behavior on width { NumberAnimation { duration: Theme.fast } }
                            Behavior on radius { NumberAnimation { duration: Theme.fast } }
                        }
                        BusyIndicator {
                            anchors.centerIn: parent
                            running: panel.photoBusy
                            visible: running
                            width: parent.width
                            height: width
                        }
                    }
                }
                Rectangle { width: 1; Layout.fillHeight: true; Layout.topMargin: Theme.gapL; Layout.bottomMargin: Theme.gapL; color: Theme.divider }

                // Telemetry.
                GridLayout {
                    Layout.fillWidth: true
                    columns: 4
                    columnSpacing: Theme.gapS
                    rowSpacing: Theme.gapS
                    Repeater {
                        model: [
                            { c: panel.tr("Pitch", "俯仰"), v: panel.st ? Number(panel.st.pitchJoint).toFixed(1) : "--", u: "°", show: true },
                            { c: panel.tr("Yaw", "航向"), v: panel.st ? ControlRules.displayYaw(panel.st.yawJoint, panel.cam ? panel.cam.yawMinDeg : -180).toFixed(1) : "--", u: "°", show: true },
                            { c: panel.tr("Zoom", "变焦"), v: panel.st && panel.st.hybridZoom > 0 ? Number(panel.st.hybridZoom).toFixed(1) : "--", u: "×", show: true },
                            { c: panel.tr("Range", "距离"), v: panel.st && panel.st.laserDistance > 0 ? Number(panel.st.laserDistance).toFixed(1) : "--", u: "m",
                              show: !!panel.cam && panel.cam.hasLaser }
                        ]
                        delegate: Column {
                            visible: modelData.show
                            Layout.fillWidth: true
                            spacing: 2
                            Accessible.role: Accessible.StaticText
                            Accessible.name: modelData.c + " " + modelData.v + modelData.u
                            Text {
                                text: modelData.c
                                color: Theme.textTertiary
                                font.pixelSize: Theme.fontCaption
                                font.capitalization: Font.AllUppercase
                            }
                            Row {
                                spacing: 2
                                Text {
                                    text: modelData.v
                                    color: Theme.text
                                    font.pixelSize: Theme.fontNumber
                                    font.family: Theme.monoFamily
                                }
                                Text {
                                    text: modelData.u
                                    color: Theme.textTertiary
                                    font.pixelSize: Theme.fontSmall
                                }
                            }
                        }
                    }
                }
            }
        }
    }
}
