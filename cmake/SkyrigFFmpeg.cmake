# skyrig_require_ffmpeg()
# FFmpeg 5 or newer (libavformat 59 and the libraries released with it): the
# live stream's open options rely on what FFmpeg 5 means by "timeout". An
# older FFmpeg is refused here, with the version found, rather than built
# into a program whose stream options mean something else.
function(skyrig_require_ffmpeg)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(SKYRIG_FFMPEG5 QUIET
                    libavformat>=59 libavcodec>=59 libavutil>=57 libswscale>=6)
  if(SKYRIG_FFMPEG5_FOUND)
    return()
  endif()
  pkg_check_modules(SKYRIG_FFMPEG_ANY QUIET libavformat)
  if(SKYRIG_FFMPEG_ANY_FOUND)
    set(found "libavformat ${SKYRIG_FFMPEG_ANY_VERSION}")
  else()
    set(found "no libavformat")
  endif()
  message(FATAL_ERROR "Skyrig needs FFmpeg 5 or newer (libavformat 59 or newer, with "
                      "libavcodec 59, libavutil 57, libswscale 6); found ${found}.")
endfunction()
