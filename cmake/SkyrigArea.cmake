# skyrig_add_area(NAME DEPS <targets...>)
# Builds every .cpp/.h in the calling folder (except main*.cpp) into the static
# library skyrig_<NAME>. Headers are included as "<area>/<Class>.h".
function(skyrig_add_area name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER sources EXCLUDE REGEX "/main[^/]*\\.cpp$")
  if(NOT sources MATCHES "\\.cpp")
    # An area that has no sources yet still links like one.
    add_library(skyrig_${name} INTERFACE)
    target_include_directories(skyrig_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(skyrig_${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(skyrig_${name} STATIC ${sources})
  target_include_directories(skyrig_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(skyrig_${name} PUBLIC ${ARG_DEPS})
endfunction()

# skyrig_add_test(NAME SOURCES <files...> LIBS <targets...> [GUI])
# One Qt Test executable; registered with CTest. GUI tests need a display
# (the test script runs them under xvfb-run); the rest run offscreen.
function(skyrig_add_test name)
  cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  # tools/: the simulator harness shared by tests reads frames with the simulator's own reader.
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src
                                             ${PROJECT_SOURCE_DIR}/tools)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt5::Test Qt5::Widgets)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  if(ARG_GUI AND SKYRIG_SANITIZE)
    # The GL driver is unloaded before the leak check runs, so its allocations
    # show up as leaks from an unknown module; the sanitizer run draws in
    # software instead (the normal run keeps the GL path).
    set_tests_properties(${name} PROPERTIES LABELS gui TIMEOUT ${ARG_TIMEOUT}
                         ENVIRONMENT "QT_QUICK_BACKEND=software")
  elseif(ARG_GUI)
    set_tests_properties(${name} PROPERTIES LABELS gui TIMEOUT ${ARG_TIMEOUT})
  else()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT ${ARG_TIMEOUT})
  endif()
  if(ARG_GUI)
    # Windows on one display take the keyboard from each other: two of these
    # at once lose typed keys to the other's window.
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK display_focus)
  endif()
endfunction()

# skyrig_add_area_test(AREA LIBS <targets...> [GUI])
# Every tst_*.cpp in the calling folder is linked into the one executable
# tst_<AREA>; each source registers its classes with SKYRIG_REGISTER_TEST.
function(skyrig_add_area_test area)
  cmake_parse_arguments(ARG "GUI" "TIMEOUT" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT sources MATCHES "\\.cpp")
    return()
  endif()
  if(ARG_GUI)
    list(APPEND sources ${PROJECT_SOURCE_DIR}/tests/common/registered_gui_main.cpp)
    set(gui GUI)
  else()
    list(APPEND sources ${PROJECT_SOURCE_DIR}/tests/common/registered_main.cpp)
    set(gui)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  skyrig_add_test(tst_${area} SOURCES ${sources} LIBS ${ARG_LIBS} ${gui} TIMEOUT ${ARG_TIMEOUT})
endfunction()
