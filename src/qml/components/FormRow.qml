import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0

// A label with its control (or controls) to the right.
RowLayout {
    id: row
    property string label: ""
    property real labelWidth: Theme.s(112)
    default property alias controls: holder.data
    Layout.fillWidth: true
    spacing: Theme.gapM
    Text {
        Layout.preferredWidth: row.labelWidth
        Layout.maximumWidth: row.labelWidth
        text: row.label
        color: Theme.textSecondary
        font.pixelSize: Theme.fontBody
        elide: Text.ElideRight
        verticalAlignment: Text.AlignVCenter
    }
    RowLayout {
        id: holder
        Layout.fillWidth: true
        spacing: Theme.gapS
    }
}
