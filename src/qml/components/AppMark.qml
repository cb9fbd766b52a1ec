import QtQuick 2.15
import Skyrig.Theme 1.0

// The application's mark: a stylised gimbal lens in the accent colour.
Item {
    id: mark
    implicitWidth: 22
    implicitHeight: 22
    Rectangle {
        anchors.fill: parent
        radius: width * 0.28
        gradient: Gradient {
            GradientStop { position: 0; color: "#3aa8ff" }
            GradientStop { position: 1; color: "#1f6fd1" }
        }
    }
    Rectangle {
        anchors.centerIn: parent
        width: parent.width * 0.56
        height: width
        radius: width / 2
        color: "transparent"
        border.width: Math.max(1.5, parent.width * 0.09)
        border.color: "#e9f4ff"
    }
    Rectangle {
        anchors.centerIn: parent
        width: parent.width * 0.18
        height: width
        radius: width / 2
        color: "#e9f4ff"
    }
}
