import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// Network: the camera's own address.
SectionBase {
    id: sec
    readonly property var st: Core.gimbal
    Card {
        title: Core.tr("Camera address", "相机地址")
        subtitle: Core.tr("As read from the camera.", "从相机读取。")
        iconName: "network"
        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.gapS
            ValueTile { caption: "IP"; value: sec.st ? sec.st.cameraIp : "--"; objectName: "cameraIp" }
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.gapS
            ValueTile { caption: Core.tr("Mask", "子网掩码"); value: sec.st ? sec.st.cameraMask : "--" }
            ValueTile { caption: Core.tr("Gateway", "网关"); value: sec.st ? sec.st.cameraGateway : "--" }
        }
        SkyButton {
            Layout.fillWidth: true
            iconName: "refresh"
            text: Core.tr("Read again", "重新读取")
            tip: Core.tr("Read the address from the camera", "从相机读取地址")
            onClicked: if (Core.control) Core.control.ipGet()
        }
    }
    Card {
        title: Core.tr("Change address", "修改地址")
        iconName: "network"
        SkySwitch {
            id: dhcp
            Layout.fillWidth: true
            text: "DHCP"
            tip: Core.tr("Let the network assign the address", "由网络自动分配地址")
        }
        FormRow {
            enabled: !dhcp.checked
            label: "IP"
            SkyField { id: ipField; Layout.fillWidth: true; placeholderText: "192.168.144.64"
                       tip: Core.tr("New camera address", "新的相机地址")
                       invalid: text !== "" && !ControlRules.validIpv4(text) }
        }
        FormRow {
            enabled: !dhcp.checked
            label: Core.tr("Mask", "子网掩码")
            SkyField { id: maskField; Layout.fillWidth: true; placeholderText: "255.255.255.0"
                       tip: Core.tr("Net mask", "子网掩码")
                       invalid: text !== "" && !ControlRules.validIpv4(text) }
        }
        FormRow {
            enabled: !dhcp.checked
            label: Core.tr("Gateway", "网关")
            SkyField { id: gwField; Layout.fillWidth: true; placeholderText: "192.168.144.1"
                       tip: Core.tr("Gateway", "网关")
                       invalid: text !== "" && !ControlRules.validIpv4(text) }
        }
        SkyButton {
            Layout.fillWidth: true
            kind: "primary"
            iconName: "check"
            text: Core.tr("Apply", "应用")
            tip: Core.tr("Send the new address to the camera", "将新地址下发到相机")
            enabled: dhcp.checked || (ControlRules.validIpv4(ipField.text) && ControlRules.validIpv4(maskField.text)
                                      && ControlRules.validIpv4(gwField.text))
            onClicked: if (Core.control) Core.control.ipSet(dhcp.checked, ipField.text.trim(), maskField.text.trim(), gwField.text.trim())
        }
    }
}
