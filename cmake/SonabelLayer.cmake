# Helpers that turn the project's folders into targets, so adding a file to a layer needs no
# CMake edit. Sources are globbed with CONFIGURE_DEPENDS: new files are picked up on the next build.

# sonabel_layer(NAME DIR deps...): the library of one layer from DIR/*.cpp (recursively).
# A layer without sources yet is an INTERFACE library, so the layers above can already link it.
function(sonabel_layer name dir)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp ${PROJECT_SOURCE_DIR}/${dir}/*.c)
  # app/main/ and any examples/ folder hold programs, not library code.
  list(FILTER sources EXCLUDE REGEX "^${PROJECT_SOURCE_DIR}/app/main/")
  list(FILTER sources EXCLUDE REGEX "/examples/")
  # A folder inside another layer's folder (ztools/base/) is a layer of its own, declared first.
  get_property(layer_dirs GLOBAL PROPERTY SONABEL_LAYER_DIRS)
  foreach(other IN LISTS layer_dirs)
    list(FILTER sources EXCLUDE REGEX "^${PROJECT_SOURCE_DIR}/${other}/")
  endforeach()
  set_property(GLOBAL APPEND PROPERTY SONABEL_LAYER_DIRS ${dir})
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/zentra/include)
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/zentra/include)
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# sonabel_program(NAME DIR deps...): an executable from DIR/*.cpp, when DIR has sources.
function(sonabel_program name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  if(sources)
    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE ${ARGN})
  endif()
endfunction()

# sonabel_tests(LAYER deps...): tests/LAYER/*.cpp as one GoogleTest binary LAYER_tests.
# Tests run headless: SDL's offscreen video and dummy audio, message boxes on standard error.
function(sonabel_tests layer)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${layer}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${layer}_tests ${sources})
  target_link_libraries(${layer}_tests PRIVATE ${ARGN} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${layer}_tests PRIVATE
    SONABEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}" SONABEL_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${layer}_tests
    DISCOVERY_TIMEOUT 120
    PROPERTIES
      TIMEOUT 300
      ENVIRONMENT "SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy;SONABEL_NO_DIALOGS=1")
endfunction()

# Every bench/*.cpp is one benchmark program bench_NAME. Its libraries are named in a line
#   // bench-links: zil zcl
# near the top of the file (Google Benchmark is always linked).
function(sonabel_benchmarks)
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/bench/*.cpp)
  foreach(src ${sources})
    get_filename_component(stem ${src} NAME_WE)
    file(STRINGS ${src} links REGEX "^// bench-links:")
    string(REPLACE "// bench-links:" "" links "${links}")
    separate_arguments(links)
    add_executable(bench_${stem} ${src})
    target_link_libraries(bench_${stem} PRIVATE ${links} benchmark::benchmark)
  endforeach()
endfunction()
