import QtQuick 2.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// What is drawn over the live picture, in item pixels mapped from the
// stream: the placeholder while there is no picture, the thirds grid, the AI
// targets, the infrared markers and measured area, the tracking box, and the
// gestures that turn clicks and drags into aiming, measuring and tracking
// (always converted into the device's logical canvas before they are sent).
Item {
    id: overlays
    // The video panel whose state the overlays show and change.
    property Item panel

    function cancelDrag() { dragBox.visible = false }

    function streamPoint(x, y) {
        var p = panel.frame.mapToVideo(x, y)
        return { x: p.x, y: p.y }
    }
    function onPictureClick(x, y) {
        var sw = panel.frame.videoWidth, sh = panel.frame.videoHeight
        if (sw <= 0 || sh <= 0)
            return
        var p = streamPoint(x, y)
        if (panel.irMeasuring) {
            var ip = VideoRules.irPoint(p.x, p.y, sw, sh)
            panel.ctl.irPointTempSet(ip.x, ip.y)
            panel.irBox = null
            panel.irPointMark = { x: x, y: y }
            panel.say(panel.tr("[IR/PointTemp] ", "[红外/点测温] ") + ip.x + "," + ip.y)
            return
        }
        if (panel.pointAimEnabled) {
            var a = VideoRules.pointAim(p.x, p.y, sw, sh, panel.st ? panel.st.hybridZoom : 0)
            panel.ctl.gimbalPointAim(0, a.zoom, a.x, a.y)
            panel.say(panel.tr("[Gimbal/PointAim] ", "[云台/指点] ") + "x=" + a.x + " y=" + a.y + " zoom=" + a.zoom.toFixed(1))
        }
    }
    function onPictureDrag(x1, y1, x2, y2) {
        var sw = panel.frame.videoWidth, sh = panel.frame.videoHeight
        if (sw <= 0 || sh <= 0)
            return
        // Clamp the screen box to the picture.
        var r = panel.frame.mapFromVideo(0, 0), r2 = panel.frame.mapFromVideo(sw, sh)
        var ax = Math.max(r.x, Math.min(x1, x2)), bx = Math.min(r2.x, Math.max(x1, x2))
        var ay = Math.max(r.y, Math.min(y1, y2)), by = Math.min(r2.y, Math.max(y1, y2))
        if (panel.irMeasuring) {
            if (!VideoRules.boxBigEnough(bx - ax, by - ay)) {
                panel.say(panel.tr("[IR/Hint] Temp box is too small", "[红外/提示] 测温框太小"))
                return
            }
            var p1 = streamPoint(ax, ay), p2 = streamPoint(bx, by)
            var a = VideoRules.irArea(p1.x, p1.y, p2.x, p2.y, sw, sh)
            panel.ctl.irAreaTempSet(a.w, a.h, a.cx, a.cy)
            panel.irPointMark = null
            panel.irBox = { x: ax, y: ay, w: bx - ax, h: by - ay }
            panel.say(panel.tr("[IR/AreaTemp] ", "[红外/区域测温] ") + a.w + "x" + a.h + " @" + a.cx + "," + a.cy)
            return
        }
        if (panel.split) {
            panel.say(panel.tr("[Tracking/Hint] Tracking is not allowed in split-screen mode", "[追踪/提示] 分屏模式下不能开启跟踪"))
            return
        }
        if (!panel.trackingAllowed)
            return
        if (!VideoRules.boxBigEnough(bx - ax, by - ay)) {
            panel.say(panel.tr("[Tracking/Hint] Target box is too small", "[追踪/提示] 目标框太小"))
            return
        }
        var q1 = streamPoint(ax, ay), q2 = streamPoint(bx, by)
        var t = VideoRules.trackingBox(q1.x, q1.y, q2.x, q2.y, sw, sh)
        panel.ctl.targetTrackingSet(true, t.x, t.y, t.w, t.h)
        panel.localTracking = true
        panel.box = { x: ax, y: ay, w: bx - ax, h: by - ay }
        panel.say(panel.tr("[Tracking/Set] ", "[追踪/设置] ") + t.x + "," + t.y + " " + t.w + "x" + t.h)
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
        objectName: "pictureGrid"
        readonly property var tl: panel.frame && panel.frame.videoWidth > 0 ? panel.frame.mapFromVideo(0, 0) : Qt.point(0, 0)
        readonly property var br: panel.frame && panel.frame.videoWidth > 0
                                  ? panel.frame.mapFromVideo(panel.frame.videoWidth, panel.frame.videoHeight)
                                  : Qt.point(overlays.width, overlays.height)
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
                overlays.onPictureClick(mouse.x, mouse.y)
            else
                overlays.onPictureDrag(sx, sy, mouse.x, mouse.y)
        }
        onCanceled: dragBox.visible = false
    }
    // Right-drag steers, the wheel zooms; left-button gestures pass below.
    PointerSteering {
        anchors.fill: parent
    }
}
