import QtQuick 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// Frame of a control section: the "enable the link first" banner while the
// link is down, then the section's cards in a column.
Item {
    id: base
    property int section: 0
    property bool needsLink: true
    default property alias content: body.data
    implicitHeight: column.implicitHeight + 2 * Theme.gapL

    // Plain positioners: the cards' heights follow their widths (wrapped
    // text), which a layout would turn into a binding loop.
    Column {
        id: column
        x: Theme.gapL
        y: Theme.gapL
        width: base.width - 2 * Theme.gapL
        spacing: Theme.gapM
        LinkHint {
            objectName: "linkHint"
            width: column.width
            visible: base.needsLink && !Core.linkUp
            text: ControlRules.linkHint(base.section, Core.zh)
        }
        Column {
            id: body
            width: column.width
            spacing: Theme.gapM
        }
    }
}
