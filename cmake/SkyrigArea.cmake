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
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt5::Test)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  if(ARG_GUI)
    set_tests_properties(${name} PROPERTIES LABELS gui TIMEOUT ${ARG_TIMEOUT})
  else()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT ${ARG_TIMEOUT})
  endif()
endfunction()
