# The build's FFmpeg check against fake pkg-config files of one FFmpeg
# release (libavformat major VERSION); nothing is compiled or linked.
#   cmake -DVERSION=58 -DSOURCE_DIR=<repository> -P ffmpeg_floor.cmake
set(dir "${CMAKE_CURRENT_BINARY_DIR}/ffmpeg-pc-${VERSION}")
math(EXPR util "${VERSION} - 2")
math(EXPR scale "${VERSION} - 53")
foreach(entry "libavformat;${VERSION}" "libavcodec;${VERSION}" "libavutil;${util}" "libswscale;${scale}")
  list(GET entry 0 name)
  list(GET entry 1 major)
  file(WRITE "${dir}/${name}.pc" "Name: ${name}\nDescription: stand-in\nVersion: ${major}.0.100\nLibs:\nCflags:\n")
endforeach()
set(ENV{PKG_CONFIG_PATH} "${dir}")
set(ENV{PKG_CONFIG_LIBDIR} "${dir}")
include("${SOURCE_DIR}/cmake/SkyrigFFmpeg.cmake")
skyrig_require_ffmpeg()
message(STATUS "FFmpeg with libavformat ${VERSION} accepted")
