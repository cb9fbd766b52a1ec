pragma Singleton
import QtQuick 2.15

// The published objects under one roof. The scene reaches every native
// object through here, so a name that is not published (yet) reads as null
// instead of raising an error, and the Quick Test cases can put recording
// doubles in their place. (The member names differ from the published names
// on purpose: a member called like a published name would hide it.)
QtObject {
    property var control: typeof controller !== "undefined" ? controller : null
    property var gimbal: typeof gimbalState !== "undefined" ? gimbalState : null
    property var link: typeof connBridge !== "undefined" ? connBridge : null
    property var camera: typeof cameraModel !== "undefined" ? cameraModel : null
    property var settings: typeof appSettings !== "undefined" ? appSettings : null
    property var logger: typeof appLog !== "undefined" ? appLog : null
    property var logLines: typeof logModel !== "undefined" ? logModel : null
    property var keys: typeof appKeys !== "undefined" ? appKeys : null
    property var urls: typeof videoUrlStore !== "undefined" ? videoUrlStore : null
    property var album: typeof mediaAlbum !== "undefined" ? mediaAlbum : null
    property var upgrade: typeof firmwareUpgrade !== "undefined" ? firmwareUpgrade : null
    property var steer: typeof steering !== "undefined" ? steering : null
    property var inputs: typeof inputControls !== "undefined" ? inputControls : null

    // Interface language: the stored choice, Chinese when nothing is stored.
    readonly property bool zh: settings ? settings.isChinese : true
    function tr(en, cn) { return zh ? cn : en }

    readonly property bool linkUp: !!link && (link.serialConnected || link.udpConnected)
    readonly property bool ready: !!control && control.handshakeReady
    // The camera's reports keep arriving: what is shown of them is live.
    readonly property bool reporting: !!gimbal && !!gimbal.reporting
    readonly property string modelId: camera ? camera.modelId : ""

    function say(text) {
        if (logger)
            logger.append(text)
    }
}
