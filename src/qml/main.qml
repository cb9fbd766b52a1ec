import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15

ApplicationWindow {
    id: root
    title: "Skyrig"
    width: 1280
    height: 800
    visible: true

    readonly property string preferredFamily: "Microsoft YaHei UI"
    font.family: Qt.fontFamilies().indexOf(preferredFamily) >= 0 ? preferredFamily
                                                                 : Qt.application.font.family

    // Context objects arrive from the native side; every use is guarded so the
    // scene still loads when one of them is not published.
    readonly property bool hasBridge: typeof connBridge !== "undefined" && connBridge !== null
    readonly property bool hasController: typeof controller !== "undefined" && controller !== null
    readonly property bool hasState: typeof gimbalState !== "undefined" && gimbalState !== null
    readonly property bool hasLog: typeof logModel !== "undefined" && logModel !== null
    readonly property bool chinese: typeof appSettings !== "undefined" && appSettings !== null
                                    ? appSettings.isChinese : true

    function tr2(en, zh) { return chinese ? zh : en }

    // The bridge keeps its previous endpoint when handed a bad one, so a typo
    // must be caught here rather than silently connecting somewhere else.
    function validIpv4(text) {
        var parts = text.split(".")
        if (parts.length !== 4)
            return false
        for (var i = 0; i < 4; ++i) {
            if (!/^[0-9]{1,3}$/.test(parts[i]) || parseInt(parts[i], 10) > 255)
                return false
        }
        return true
    }
    function validPort(text) {
        var n = Number(text)
        return /^[0-9]+$/.test(text) && n >= 1 && n <= 65535
    }
    readonly property bool endpointValid: validIpv4(ipField.text.trim())
                                          && validPort(portField.text.trim())

    readonly property bool linkUp: hasBridge ? connBridge.connected : false
    readonly property bool ready: hasController ? controller.handshakeReady : false

    function move(yawDir, pitchDir) {
        if (hasController)
            controller.gimbalControl(0, yawDir, pitchDir)
    }
    function stop() {
        if (hasController)
            controller.gimbalControl(0, 2, 2)
    }
    function centre() {
        if (hasController)
            controller.gimbalControl(1, 2, 2)
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 12
        spacing: 10

        RowLayout {
            spacing: 8
            Label { text: tr2("Camera IP", "相机 IP") }
            TextField {
                id: ipField
                objectName: "ipField"
                Layout.preferredWidth: 160
                text: hasBridge ? connBridge.udpIp : "192.168.144.64"
                selectByMouse: true
            }
            Label { text: tr2("Port", "端口") }
            TextField {
                id: portField
                objectName: "portField"
                Layout.preferredWidth: 80
                text: hasBridge ? String(connBridge.udpPort) : "1030"
                validator: IntValidator { bottom: 1; top: 65535 }
                selectByMouse: true
            }
            Button {
                objectName: "connectButton"
                text: tr2("Connect", "连接")
                enabled: hasBridge && !linkUp && endpointValid
                onClicked: connBridge.connectUdp(ipField.text.trim(), parseInt(portField.text, 10))
            }
            Button {
                objectName: "disconnectButton"
                text: tr2("Disconnect", "断开")
                enabled: hasBridge && linkUp
                onClicked: connBridge.disconnect()
            }
            Label {
                visible: !endpointValid
                color: "#c62828"
                text: tr2("Enter a valid IPv4 address and a port of 1-65535",
                          "请输入有效的 IPv4 地址和 1-65535 的端口")
            }
            Label {
                objectName: "linkLabel"
                text: linkUp ? tr2("Connected", "已连接") : tr2("Disconnected", "未连接")
                color: linkUp ? "#2e7d32" : "#c62828"
            }
            Label {
                text: ready ? tr2("Ready", "就绪") : tr2("Not ready", "未就绪")
            }
        }

        RowLayout {
            spacing: 24
            Label {
                text: tr2("Yaw", "航向") + ": "
                      + (hasState ? Number(gimbalState.yawJoint).toFixed(2) : "--") + "°"
            }
            Label {
                text: tr2("Pitch", "俯仰") + ": "
                      + (hasState ? Number(gimbalState.pitchJoint).toFixed(2) : "--") + "°"
            }
            Label {
                text: tr2("Gimbal", "云台") + ": "
                      + (hasState && gimbalState.connected ? tr2("online", "在线")
                                                            : tr2("offline", "离线"))
            }
        }

        LiveView {
            Layout.fillWidth: true
            Layout.preferredHeight: 360
            chinese: root.chinese
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 16

            // Direction pad: a press starts the motion, the release stops it.
            GridLayout {
                Layout.alignment: Qt.AlignTop
                columns: 3
                Item { width: 1; height: 1 }
                Button {
                    text: "▲"
                    onPressed: move(2, 0)
                    onReleased: stop()
                }
                Item { width: 1; height: 1 }
                Button {
                    text: "◀"
                    onPressed: move(0, 2)
                    onReleased: stop()
                }
                Button {
                    text: tr2("Center", "回中")
                    onClicked: centre()
                }
                Button {
                    text: "▶"
                    onPressed: move(1, 2)
                    onReleased: stop()
                }
                Item { width: 1; height: 1 }
                Button {
                    text: "▼"
                    onPressed: move(2, 1)
                    onReleased: stop()
                }
                Item { width: 1; height: 1 }
            }

            Frame {
                Layout.fillWidth: true
                Layout.fillHeight: true
                ListView {
                    id: logView
                    objectName: "logView"
                    anchors.fill: parent
                    clip: true
                    model: hasLog ? logModel : null
                    delegate: Text {
                        width: logView.width
                        text: display
                        wrapMode: Text.WrapAnywhere
                        font.family: root.font.family
                    }
                    onCountChanged: positionViewAtEnd()
                    ScrollBar.vertical: ScrollBar {}
                }
            }
        }
    }
}
