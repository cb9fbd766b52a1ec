import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// Laser range finder: one measurement or continuous ranging.
SectionBase {
    id: sec
    readonly property var st: Core.gimbal
    Card {
        title: Core.tr("Laser range finder", "激光测距")
        iconName: "laser"
        ValueTile {
            objectName: "laserDistance"
            caption: Core.tr("Distance", "距离")
            value: sec.st && sec.st.laserDistance > 0 ? Number(sec.st.laserDistance).toFixed(1) : "--"
            unit: "m"
            tone: Theme.accent
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.gapS
            SkyButton {
                Layout.fillWidth: true
                kind: "primary"
                iconName: "laser"
                text: Core.tr("Measure once", "单次测距")
                tip: Core.tr("Measure the distance once", "测量一次距离")
                onClicked: if (Core.control) Core.control.laserRange()
            }
        }
        SkySwitch {
            Layout.fillWidth: true
            text: Core.tr("Continuous ranging", "连续测距")
            tip: Core.tr("Measure the distance continuously", "持续测量距离")
            onToggled: if (Core.control) Core.control.laserPeriodicRange(checked)
        }
    }
}
