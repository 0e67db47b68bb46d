# The libFuzzer targets (configured with -DSONABEL_FUZZ=ON under clang; fuzz/run.sh builds and runs them).
# Every fuzz/*.cpp is one program fuzz_NAME. Its libraries are named in a line
#   // fuzz-links: zcl zil
# and sources it shares with the tests (harness functions) in a line
#   // fuzz-sources: tests/compiler/zclfuzz.cpp
# near the top of the file. Shared test sources see SONABEL_FUZZER defined and leave their tests out.
# The target fuzz_seeds writes each target's seed corpus into <build>/seeds/NAME from the tests'
# inputs, the example scripts and the default skin (fuzz/seeds/).

function(sonabel_fuzz_targets)
  # The interpreter loop is one function with a computed-goto dispatch; with the sanitizers' extra
  # blocks, clang 14's optimizer spends a quarter of an hour and more on it. Unoptimized it builds in minutes
  # and is still fast enough for the short programs the fuzzer runs.
  set_property(SOURCE ${PROJECT_SOURCE_DIR}/zentra/runtime/zilinterp.cpp APPEND PROPERTY COMPILE_OPTIONS -O0)
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/fuzz/*.cpp)
  set(all)
  foreach(src ${sources})
    get_filename_component(stem ${src} NAME_WE)
    file(STRINGS ${src} links REGEX "^// fuzz-links:")
    string(REPLACE "// fuzz-links:" "" links "${links}")
    separate_arguments(links)
    file(STRINGS ${src} shared REGEX "^// fuzz-sources:")
    string(REPLACE "// fuzz-sources:" "" shared "${shared}")
    separate_arguments(shared)
    list(TRANSFORM shared PREPEND ${PROJECT_SOURCE_DIR}/)
    add_executable(fuzz_${stem} ${src} ${shared})
    target_link_libraries(fuzz_${stem} PRIVATE ${links})
    target_compile_definitions(fuzz_${stem} PRIVATE SONABEL_FUZZER)
    target_link_options(fuzz_${stem} PRIVATE -fsanitize=fuzzer)
    list(APPEND all fuzz_${stem})
  endforeach()
  add_custom_target(fuzz_all DEPENDS ${all})

  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_executable(fuzz_image_seeds ${PROJECT_SOURCE_DIR}/fuzz/seeds/image_seeds.cpp)
  target_include_directories(fuzz_image_seeds PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(fuzz_image_seeds PRIVATE PkgConfig::PNG)
  add_custom_target(fuzz_seeds
    COMMAND fuzz_image_seeds ${PROJECT_BINARY_DIR}/seeds
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/fuzz/seeds/make-seeds.py ${PROJECT_SOURCE_DIR}
            ${PROJECT_BINARY_DIR}/seeds
    DEPENDS fuzz_image_seeds
    COMMENT "Writing the fuzz targets' seed corpora"
    VERBATIM)
endfunction()
