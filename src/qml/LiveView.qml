import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Skyrig.Video 1.0

// A small live view: the stream address (the product's last one played, else
// its default), Play/Stop, the picture and what the player knows about the
// stream. Self-contained: it reads only videoUrlStore and cameraModel.
ColumnLayout {
    id: live
    spacing: 6

    property bool chinese: true
    function tr2(en, zh) { return chinese ? zh : en }

    readonly property bool hasStore: typeof videoUrlStore !== "undefined" && videoUrlStore !== null
    readonly property bool hasModel: typeof cameraModel !== "undefined" && cameraModel !== null
    readonly property string modelId: hasModel && cameraModel.modelId !== "" ? cameraModel.modelId
                                                                             : "default"
    readonly property string localTestUrl: "rtsp://127.0.0.1:8554/test"
    property string message: ""

    function preselectedUrl() {
        if (hasStore) {
            videoUrlStore.modelId = modelId
            var list = videoUrlStore.urlList()
            if (list.length > 0)
                return list[0]
        }
        if (hasModel && cameraModel.defaultVideoUrl !== "")
            return cameraModel.defaultVideoUrl
        return localTestUrl
    }

    function play() {
        var url = urlField.text.trim()
        if (url === "") {
            message = tr2("Video source is empty", "视频源为空")
            return
        }
        message = ""
        if (hasStore)
            videoUrlStore.saveUrlForModel(modelId, url)
        player.target = picture
        player.start(url)
    }

    function stop() {
        player.stop()
        player.target = null
    }

    Component.onCompleted: urlField.text = preselectedUrl()

    Connections {
        target: live.hasModel ? cameraModel : null
        function onChanged() {
            if (!player.playing)
                urlField.text = live.preselectedUrl()
        }
    }

    RowLayout {
        Layout.fillWidth: true
        spacing: 8
        Label { text: tr2("Stream", "视频流") }
        TextField {
            id: urlField
            objectName: "liveUrlField"
            Layout.fillWidth: true
            selectByMouse: true
            onAccepted: live.play()
        }
        Button {
            objectName: "livePlayButton"
            text: tr2("Play", "播放")
            onClicked: live.play()
        }
        Button {
            objectName: "liveStopButton"
            text: tr2("Stop", "停止")
            enabled: player.playing
            onClicked: live.stop()
        }
    }

    RowLayout {
        spacing: 16
        Label { objectName: "liveStatus"; text: player.status }
        Label {
            objectName: "liveSize"
            text: player.streamWidth > 0 ? player.streamWidth + " × " + player.streamHeight : "--"
        }
        Label { objectName: "liveCodec"; text: player.codecName !== "" ? player.codecName : "--" }
        Label {
            objectName: "liveBitrate"
            text: player.bitrateText !== "" ? player.bitrateText : "--"
        }
        Label { text: live.message; color: "#c62828"; visible: live.message !== "" }
    }

    VideoFrameItem {
        id: picture
        objectName: "livePicture"
        Layout.fillWidth: true
        Layout.fillHeight: true

        VideoPlayer {
            id: player
            objectName: "livePlayer"
            onErrorOccurred: live.message = error
        }
    }
}
