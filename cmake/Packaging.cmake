# Installation and Debian packages.
#
#   cmake --install build --prefix /usr        installs the programs and desktop files
#   (cd build && cpack -G DEB)                 builds the two packages into build/packages
#   bash scripts/package.sh                    does both checks and prints the contents
#
# Two packages: "skyrig" (the interface program, the headless front end, the
# desktop entry, icons, AppStream metadata and manual pages) and
# "skyrig-camsim" (the camera simulator, so an operator's machine carries no
# test tools unless wanted).

include(GNUInstallDirs)

set(SKYRIG_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(SKYRIG_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${SKYRIG_PACKAGING_OUT})

set(SKYRIG_MAINTAINER "Skyrig developers <packaging@skyrig.example>"
    CACHE STRING "Maintainer field of the Debian packages")
set(SKYRIG_SCREENSHOT_BASE_URL "https://skyrig.example/docs/screenshots"
    CACHE STRING "Where the software centre fetches the screenshots named in the README")

# --- QML modules the scene imports at run time --------------------------------
# The scene is loaded from the program's resources, so the binary's library
# dependencies do not show which QML modules it needs. Every import found under
# src/qml is mapped to its Debian package here; a new import needs one line.
set(SKYRIG_QML_PACKAGE_MAP
    "QtQuick=qml-module-qtquick2"
    "QtQuick.Window=qml-module-qtquick-window2"
    "QtQuick.Controls=qml-module-qtquick-controls2"
    "QtQuick.Controls.Material=qml-module-qtquick-controls2"
    "QtQuick.Controls.Universal=qml-module-qtquick-controls2"
    "QtQuick.Controls.Fusion=qml-module-qtquick-controls2"
    "QtQuick.Templates=qml-module-qtquick-templates2"
    "QtQuick.Layouts=qml-module-qtquick-layouts"
    "QtQuick.Shapes=qml-module-qtquick-shapes"
    "QtQuick.Dialogs=qml-module-qtquick-dialogs"
    "QtQuick.Particles=qml-module-qtquick-particles2"
    "QtQuick.Extras=qml-module-qtquick-extras"
    "QtGraphicalEffects=qml-module-qtgraphicaleffects"
    "QtMultimedia=qml-module-qtmultimedia"
    "QtQml=qml-module-qtqml"
    "QtQml.Models=qml-module-qtqml-models2"
    "QtQml.WorkerScript=qml-module-qtqml-workerscript2"
    "Qt.labs.platform=qml-module-qt-labs-platform"
    "Qt.labs.settings=qml-module-qt-labs-settings"
    "Qt.labs.folderlistmodel=qml-module-qt-labs-folderlistmodel"
    "Qt.labs.qmlmodels=qml-module-qt-labs-qmlmodels")
# Needed whatever the imports say: the main window is a Controls 2 window, and
# Controls 2 loads the templates and the window module itself.
set(SKYRIG_QML_PACKAGES qml-module-qtquick2 qml-module-qtquick-window2
    qml-module-qtquick-controls2 qml-module-qtquick-templates2 qml-module-qtquick-layouts)

file(GLOB_RECURSE skyrig_qml_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/qml/*.qml)
set(skyrig_unmapped_imports)
foreach(qml_file IN LISTS skyrig_qml_files)
  file(STRINGS ${qml_file} import_lines REGEX "^[ \t]*import[ \t]+[A-Za-z]")
  foreach(line IN LISTS import_lines)
    string(REGEX REPLACE "^[ \t]*import[ \t]+([A-Za-z0-9_.]+).*$" "\\1" module "${line}")
    # The program's own modules and relative folders ship inside it.
    if(module MATCHES "^Skyrig" OR line MATCHES "^[ \t]*import[ \t]+\"")
      continue()
    endif()
    set(package)
    foreach(entry IN LISTS SKYRIG_QML_PACKAGE_MAP)
      string(REPLACE "=" ";" pair "${entry}")
      list(GET pair 0 map_module)
      if(map_module STREQUAL module)
        list(GET pair 1 package)
      endif()
    endforeach()
    if(package)
      list(APPEND SKYRIG_QML_PACKAGES ${package})
    else()
      list(APPEND skyrig_unmapped_imports "${module}")
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES SKYRIG_QML_PACKAGES)
list(SORT SKYRIG_QML_PACKAGES)
if(skyrig_unmapped_imports)
  list(REMOVE_DUPLICATES skyrig_unmapped_imports)
  message(WARNING "The scene imports QML modules with no Debian package known: "
                  "${skyrig_unmapped_imports}. Add them to SKYRIG_QML_PACKAGE_MAP in "
                  "cmake/Packaging.cmake, or the installed program may not start.")
endif()

# --- programs ------------------------------------------------------------------
# The package each program goes into: the simulator has its own.
set(skyrig_programs)
foreach(program skyrig skyrigctl skyrig-camsim)
  if(TARGET ${program})
    list(APPEND skyrig_programs ${program})
  endif()
endforeach()
set(component_of_skyrig skyrig)
set(component_of_skyrigctl skyrig)
set(component_of_skyrig-camsim skyrig-camsim)
foreach(program IN LISTS skyrig_programs)
  install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
          COMPONENT ${component_of_${program}})
  # Relocations resolved and then read-only before the program runs, as
  # Debian builds its own programs.
  target_link_options(${program} PRIVATE "LINKER:-z,relro,-z,now")
endforeach()

# --- desktop entry, icons, AppStream metadata -----------------------------------
install(FILES ${SKYRIG_PACKAGING_DIR}/skyrig.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        RENAME ${SKYRIG_APP_ID}.desktop COMPONENT skyrig)
install(FILES ${SKYRIG_PACKAGING_DIR}/skyrig.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${SKYRIG_APP_ID}.svg COMPONENT skyrig)

# PNG sizes for desktops that do not draw SVG icons, rendered from the one
# drawing at build time.
set(SKYRIG_ICON_SIZES 16 22 24 32 48 64 128 256 512)
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
  set(icon_outputs)
  foreach(size IN LISTS SKYRIG_ICON_SIZES)
    set(png ${SKYRIG_PACKAGING_OUT}/icons/${size}x${size}/${SKYRIG_APP_ID}.png)
    add_custom_command(
      OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${SKYRIG_PACKAGING_OUT}/icons/${size}x${size}
      COMMAND ${RSVG_CONVERT} --width=${size} --height=${size} --format=png
              --output=${png} ${SKYRIG_PACKAGING_DIR}/skyrig.svg
      DEPENDS ${SKYRIG_PACKAGING_DIR}/skyrig.svg
      COMMENT "Rendering the ${size}x${size} icon" VERBATIM)
    list(APPEND icon_outputs ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            COMPONENT skyrig)
  endforeach()
  add_custom_target(skyrig_icons ALL DEPENDS ${icon_outputs})
else()
  message(WARNING "rsvg-convert not found (Debian package librsvg2-bin): only the "
                  "scalable icon is installed")
endif()

# The changelog names the release; its newest entry must be this version.
file(STRINGS ${SKYRIG_PACKAGING_DIR}/changelog changelog_lines)
list(GET changelog_lines 0 changelog_head)
string(REGEX MATCH "\\(([^)]+)\\)" _ "${changelog_head}")
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(WARNING "packaging/changelog starts with version ${CMAKE_MATCH_1}, the project is "
                  "${PROJECT_VERSION}: add a changelog entry for this release")
endif()
set(SKYRIG_RELEASE_DATE)
foreach(line IN LISTS changelog_lines)
  if(line MATCHES "^ -- .*  [A-Za-z]+, ([0-9]+) ([A-Za-z]+) ([0-9]+) ")
    set(day ${CMAKE_MATCH_1})
    set(month_name ${CMAKE_MATCH_2})
    set(year ${CMAKE_MATCH_3})
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(FIND months ${month_name} month)
    math(EXPR month "${month} + 1")
    if(month LESS 10)
      set(month 0${month})
    endif()
    if(day LESS 10)
      set(day 0${day})
    endif()
    set(SKYRIG_RELEASE_DATE ${year}-${month}-${day})
    break()
  endif()
endforeach()

# Generated files carry the release's date, not the build's.
set(SKYRIG_RELEASE_EPOCH 0)
if(SKYRIG_RELEASE_DATE)
  execute_process(COMMAND date -u -d ${SKYRIG_RELEASE_DATE} +%s
                  OUTPUT_VARIABLE SKYRIG_RELEASE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()

# The screenshots are the README's own (written by scripts/screenshots.sh);
# the software centre fetches them from SKYRIG_SCREENSHOT_BASE_URL.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/README.md ${SKYRIG_PACKAGING_DIR}/changelog)
# One screenshot per README line that shows pictures: a table row
# "| Caption | ![](docs/screenshots/en-x.png) | ![](docs/screenshots/zh-x.png) |"
# or a picture "![Caption](docs/screenshots/x.png)". Pictures named zh-* are the
# Chinese interface.
file(STRINGS ${PROJECT_SOURCE_DIR}/README.md readme_lines REGEX "docs/screenshots/")
set(SKYRIG_METAINFO_SCREENSHOTS "")
set(default_attr " type=\"default\"")
foreach(line IN LISTS readme_lines)
  string(REGEX MATCHALL "docs/screenshots/[A-Za-z0-9_.-]+\\.png" shots "${line}")
  if(NOT shots)
    continue()
  endif()
  set(caption "")
  if(line MATCHES "!\\[([^]]+)\\]\\(docs/screenshots/")
    set(caption "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^[ \t]*\\|[ \t]*([^|!]*[^|! \t])[ \t]*\\|")
    set(caption "${CMAKE_MATCH_1}")
  endif()
  if(caption STREQUAL "")
    list(GET shots 0 first_shot)
    get_filename_component(caption ${first_shot} NAME_WE)
  endif()
  string(REPLACE "&" "&amp;" caption "${caption}")
  string(REPLACE "<" "&lt;" caption "${caption}")
  string(APPEND SKYRIG_METAINFO_SCREENSHOTS "    <screenshot${default_attr}>\n"
                                            "      <caption>${caption}</caption>\n")
  list(REMOVE_DUPLICATES shots)
  foreach(shot IN LISTS shots)
    get_filename_component(shot_name ${shot} NAME)
    set(lang_attr "")
    if(shot_name MATCHES "^zh[-_]|[-_]zh\\.png$")
      set(lang_attr " xml:lang=\"zh-CN\"")
    endif()
    string(APPEND SKYRIG_METAINFO_SCREENSHOTS
           "      <image${lang_attr}>${SKYRIG_SCREENSHOT_BASE_URL}/${shot_name}</image>\n")
  endforeach()
  string(APPEND SKYRIG_METAINFO_SCREENSHOTS "    </screenshot>\n")
  set(default_attr "")
endforeach()
if(SKYRIG_METAINFO_SCREENSHOTS)
  set(SKYRIG_METAINFO_SCREENSHOTS "  <screenshots>\n${SKYRIG_METAINFO_SCREENSHOTS}  </screenshots>\n")
endif()
set(SKYRIG_VERSION_FOR_METAINFO ${PROJECT_VERSION})
configure_file(${SKYRIG_PACKAGING_DIR}/skyrig.metainfo.xml.in
               ${SKYRIG_PACKAGING_OUT}/${SKYRIG_APP_ID}.metainfo.xml @ONLY)
install(FILES ${SKYRIG_PACKAGING_OUT}/${SKYRIG_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT skyrig)

# --- documentation: copyright and changelog in each package ---------------------
find_program(GZIP gzip REQUIRED)
add_custom_command(
  OUTPUT ${SKYRIG_PACKAGING_OUT}/changelog.gz
  COMMAND ${GZIP} -9 -n -c ${SKYRIG_PACKAGING_DIR}/changelog > ${SKYRIG_PACKAGING_OUT}/changelog.gz
  DEPENDS ${SKYRIG_PACKAGING_DIR}/changelog
  COMMENT "Compressing the changelog")
set(doc_outputs ${SKYRIG_PACKAGING_OUT}/changelog.gz)
foreach(package skyrig skyrig-camsim)
  install(FILES ${SKYRIG_PACKAGING_DIR}/copyright ${SKYRIG_PACKAGING_OUT}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${package})
endforeach()

# --- manual pages, written from each program's --help and --version -------------
# Off in sanitizer builds: their programs would run under the leak checker.
set(manpages_default OFF)
find_program(HELP2MAN help2man)
if(HELP2MAN AND NOT SKYRIG_SANITIZE AND NOT CMAKE_CROSSCOMPILING)
  set(manpages_default ON)
endif()
option(SKYRIG_MANPAGES "Write the manual pages with help2man" ${manpages_default})
if(SKYRIG_MANPAGES)
  if(NOT HELP2MAN)
    message(FATAL_ERROR "SKYRIG_MANPAGES needs help2man (Debian package help2man)")
  endif()
  set(manpage_skyrig_name "ground station for gimbal cameras")
  set(manpage_skyrigctl_name "drive a gimbal camera from scripts, without the interface")
  set(manpage_skyrig-camsim_name "gimbal camera simulator for testing Skyrig")
  foreach(program IN LISTS skyrig_programs)
    set(page ${SKYRIG_PACKAGING_OUT}/man/${program}.1)
    # Run by its bare name so the usage lines do not show the build folder.
    add_custom_command(
      OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${SKYRIG_PACKAGING_OUT}/man
      COMMAND ${CMAKE_COMMAND} -E env "PATH=$<TARGET_FILE_DIR:${program}>:$ENV{PATH}"
              QT_QPA_PLATFORM=offscreen SOURCE_DATE_EPOCH=${SKYRIG_RELEASE_EPOCH}
              ${HELP2MAN} --no-info --section=1 --name=${manpage_${program}_name}
              --include=${SKYRIG_PACKAGING_DIR}/man/${program}.h2m --output=${page} ${program}
      COMMAND ${GZIP} -9 -n -f ${page}
      DEPENDS ${program} ${SKYRIG_PACKAGING_DIR}/man/${program}.h2m
      COMMENT "Writing the manual page of ${program}" VERBATIM)
    list(APPEND doc_outputs ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component_of_${program}})
  endforeach()
endif()
add_custom_target(skyrig_docs ALL DEPENDS ${doc_outputs})

# --- Debian packages --------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skyrig)
set(CPACK_PACKAGE_VENDOR "Skyrig")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${SKYRIG_MAINTAINER}")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL skyrig skyrig-camsim)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SKYRIG_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Library dependencies read from the programs themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_SKYRIG_PACKAGE_NAME skyrig)
set(CPACK_DEBIAN_SKYRIG_PACKAGE_SECTION video)
list(JOIN SKYRIG_QML_PACKAGES ", " skyrig_qml_depends)
set(CPACK_DEBIAN_SKYRIG_PACKAGE_DEPENDS "${skyrig_qml_depends}")
# The interface's Chinese texts need a CJK font.
set(CPACK_DEBIAN_SKYRIG_PACKAGE_RECOMMENDS "fonts-noto-cjk")
set(CPACK_DEBIAN_SKYRIG_PACKAGE_SUGGESTS "skyrig-camsim")
set(CPACK_DEBIAN_SKYRIG_DESCRIPTION
    "ground station for gimbal cameras
Skyrig connects to a gimbal camera over a serial line or UDP. The operator
steers the gimbal, sets the visible and infrared cameras, watches and records
the live RTSP video, browses and downloads the media on the camera's memory
card, upgrades the camera's firmware and follows a live log of the protocol
traffic. Every text of the interface is in English and Chinese.

The package also contains skyrigctl, a headless front end that drives the
camera from scripts through the same objects as the interface.")

set(CPACK_DEBIAN_SKYRIG-CAMSIM_PACKAGE_NAME skyrig-camsim)
set(CPACK_DEBIAN_SKYRIG-CAMSIM_PACKAGE_SECTION devel)
# The RTSP test picture is built from these GStreamer elements at run time:
# videotestsrc and textoverlay (base), x264enc (ugly), rtph264pay (good), and
# x265enc (bad) for H.265 streams.
set(CPACK_DEBIAN_SKYRIG-CAMSIM_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-ugly")
set(CPACK_DEBIAN_SKYRIG-CAMSIM_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-bad")
set(CPACK_DEBIAN_SKYRIG-CAMSIM_DESCRIPTION
    "gimbal camera simulator for testing Skyrig
skyrig-camsim stands in for a gimbal camera: it answers the control protocol
over UDP or a pseudo-terminal, reports its status, moves its simulated gimbal,
takes photos and recordings onto a simulated memory card, and serves an RTSP
test picture. Faults such as lost, corrupted or delayed frames can be injected.

It listens on loopback addresses only unless told otherwise. It is meant for
testing and demonstrations; an operator's machine does not need it.")

include(CPack)
