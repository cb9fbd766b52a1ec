import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Skyrig.Theme 1.0
import Skyrig.UI 1.0

// The main page: rail, control panel and video panel side by side; the
// album covers the video panel while it is open.
Page {
    id: page
    objectName: "mainPage"
    property int initialSection: -1
    property bool smokeAlbum: false
    property int currentSection: initialSection > 0 ? initialSection : NavRules.initialSection
    signal homeRequested()

    background: Rectangle { color: Theme.window }

    function selectSection(id) {
        if (id === 0) {
            homeRequested()
            return
        }
        currentSection = id
    }

    Connections {
        target: Core.camera
        ignoreUnknownSignals: true
        function onChanged() {
            page.currentSection = NavRules.afterModelChange(page.currentSection, Core.camera)
        }
    }
    Component.onCompleted: currentSection = NavRules.afterModelChange(currentSection, Core.camera)

    RowLayout {
        anchors.fill: parent
        spacing: 0

        NavBar {
            Layout.fillHeight: true
            Layout.preferredWidth: Theme.s(Theme.designRail)
            current: page.currentSection
            onSelected: page.selectSection(sectionId)
        }
        ControlPage {
            id: controls
            Layout.fillHeight: true
            Layout.preferredWidth: Math.max(Theme.s(Theme.designPanelMin),
                                            Math.min(Theme.s(Theme.designPanelMax), Theme.s(Theme.designPanel),
                                                     page.width - Theme.s(Theme.designRail) - Theme.s(640)))
            section: page.currentSection
            onStreamSettingChanged: video.restartForStreamChange()
        }
        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true
            VideoPanel {
                id: video
                anchors.fill: parent
                outputModeValue: controls.outputModeValue
                smokeAlbum: page.smokeAlbum
            }
            // Built the first time the album opens, not with the page.
            Loader {
                id: albumLoader
                anchors.fill: parent
                active: false
                visible: opacity > 0
                opacity: Core.album && Core.album.open ? 1 : 0
                Behavior on opacity { NumberAnimation { duration: Theme.normal } }
                onOpacityChanged: if (opacity > 0) active = true
                sourceComponent: MediaAlbumPanel {}
            }
        }
    }
}
