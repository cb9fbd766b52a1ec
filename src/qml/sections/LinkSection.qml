import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// Connection: serial or UDP, with the endpoint remembered per product.
SectionBase {
    id: sec
    needsLink: false
    readonly property var link: Core.link
    readonly property bool serialUp: !!link && link.serialConnected
    readonly property bool udpUp: !!link && link.udpConnected
    readonly property var ports: link && link.portList.length > 0
                                 ? link.portList : [Core.tr("No serial ports found", "未发现串口")]

    Card {
        title: Core.tr("Link", "链路")
        subtitle: Core.tr("One link at a time; opening one closes the other.", "同一时间只开一条链路，打开一条会关闭另一条。")
        iconName: "link"
        Segmented {
            objectName: "linkTab"
            Layout.fillWidth: true
            tip: Core.tr("Link type", "链路类型")
            options: [{ label: Core.tr("Serial", "串口"), icon: "serial" }, { label: "UDP", icon: "udp" }]
            currentIndex: sec.link ? sec.link.connectionTab : 0
            onActivated: if (sec.link) sec.link.setConnectionTab(index)
        }
        RowLayout {
            Layout.fillWidth: true
            Chip {
                objectName: "linkStatus"
                text: sec.serialUp ? Core.tr("Serial connected", "串口已连接")
                      : sec.udpUp ? Core.tr("UDP connected", "UDP 已连接")
                                  : Core.tr("Disconnected", "未连接")
                tone: sec.serialUp || sec.udpUp ? Theme.success : Theme.textTertiary
            }
            Chip {
                visible: sec.serialUp || sec.udpUp
                text: Core.ready ? Core.tr("Handshake done", "握手完成") : Core.tr("Handshaking…", "握手中…")
                tone: Core.ready ? Theme.success : Theme.warning
                pulse: !Core.ready
            }
        }
    }

    Card {
        visible: !sec.link || sec.link.connectionTab === 0
        title: Core.tr("Serial port", "串口")
        iconName: "serial"
        FormRow {
            label: Core.tr("Port", "端口")
            SkyCombo {
                id: portCombo
                objectName: "portCombo"
                Layout.fillWidth: true
                model: sec.ports
                tip: Core.tr("Serial port", "串口")
            }
            IconButton {
                objectName: "refreshPorts"
                iconName: "refresh"
                framed: true
                tip: Core.tr("Refresh the port list", "刷新串口列表")
                onClicked: if (sec.link) sec.link.refreshSerialPorts()
            }
        }
        FormRow {
            label: Core.tr("Baud rate", "波特率")
            SkyCombo {
                id: baudCombo
                objectName: "baudCombo"
                Layout.fillWidth: true
                model: ControlRules.baudRates
                currentIndex: ControlRules.defaultBaudIndex
                tip: Core.tr("Baud rate", "波特率")
            }
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.gapS
            SkyButton {
                objectName: "serialConnect"
                Layout.fillWidth: true
                kind: "primary"
                iconName: "link"
                text: Core.tr("Connect", "连接")
                tip: Core.tr("Open the serial port", "打开串口")
                enabled: !!sec.link && !sec.serialUp
                // With no port found the list shows only its placeholder:
                // nothing is opened, and the link says there is no port.
                onClicked: sec.link.connectSerial(sec.link.portList.length > 0 ? portCombo.currentText : "",
                                                  ControlRules.baudRates[baudCombo.currentIndex])
            }
            SkyButton {
                objectName: "serialDisconnect"
                Layout.fillWidth: true
                text: Core.tr("Disconnect", "断开")
                tip: Core.tr("Close the serial port", "关闭串口")
                enabled: sec.serialUp
                onClicked: sec.link.disconnectSerial()
            }
        }
    }

    Card {
        visible: !!sec.link && sec.link.connectionTab === 1
        title: "UDP"
        subtitle: Core.tr("The camera's address; this computer listens on the next port.", "相机地址；本机监听下一个端口。")
        iconName: "udp"
        FormRow {
            label: Core.tr("Camera IP", "相机 IP")
            SkyField {
                id: ipField
                objectName: "udpIp"
                Layout.fillWidth: true
                text: sec.link ? sec.link.udpIp : ""
                tip: Core.tr("Camera IP address", "相机 IP 地址")
                invalid: !ControlRules.validIpv4(text)
                onEditingFinished: sec.save()
            }
        }
        FormRow {
            label: Core.tr("Port", "端口")
            SkyField {
                id: portField
                objectName: "udpPort"
                Layout.fillWidth: true
                text: sec.link ? String(sec.link.udpPort) : ""
                tip: Core.tr("Camera UDP port (1–65535)", "相机 UDP 端口（1–65535）")
                inputMethodHints: Qt.ImhDigitsOnly
                invalid: !ControlRules.validPort(text)
                onEditingFinished: sec.save()
            }
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.gapS
            SkyButton {
                objectName: "udpConnect"
                Layout.fillWidth: true
                kind: "primary"
                iconName: "link"
                text: Core.tr("Connect", "连接")
                tip: Core.tr("Open the UDP link to the camera", "打开到相机的 UDP 链路")
                enabled: !!sec.link && !sec.udpUp && ControlRules.validIpv4(ipField.text) && ControlRules.validPort(portField.text)
                onClicked: sec.link.connectUdp(ipField.text.trim(), parseInt(portField.text, 10))
            }
            SkyButton {
                objectName: "udpDisconnect"
                Layout.fillWidth: true
                text: Core.tr("Disconnect", "断开")
                tip: Core.tr("Close the UDP link", "关闭 UDP 链路")
                enabled: sec.udpUp
                onClicked: sec.link.disconnectUdp()
            }
        }
    }

    // Edits are stored as they are made, once they form a valid endpoint.
    function save() {
        if (link && ControlRules.validIpv4(ipField.text) && ControlRules.validPort(portField.text))
            link.saveUdpSettings(ipField.text.trim(), parseInt(portField.text, 10))
    }
}
