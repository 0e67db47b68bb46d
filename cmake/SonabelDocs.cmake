# The programs the documentation shows and what its tests need. Every examples/embedding/NAME.cpp
# is a host program embed-NAME built against the runtime and compiler libraries alone; it includes
# only their interface headers (zilapi.h, ziltools.h, zilcompiler.h). The tools tests replay the documented examples
# (so they need these programs and zentra) and rebuild docs/library.md from the declarations of
# every script class the runtime, zentra, the framework and the player register.
file(GLOB embedding_examples CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/embedding/*.cpp)
set(embedding_programs)
foreach(source ${embedding_examples})
  get_filename_component(stem ${source} NAME_WE)
  add_executable(embed-${stem} ${source})
  target_include_directories(embed-${stem} PRIVATE ${PROJECT_SOURCE_DIR}/src/compiler)
  target_link_libraries(embed-${stem} PRIVATE zcl zil)
  list(APPEND embedding_programs embed-${stem})
endforeach()

if(TARGET tools_tests)
  if(embedding_programs)
    add_dependencies(tools_tests ${embedding_programs})
  endif()
  target_sources(tools_tests PRIVATE ${PROJECT_SOURCE_DIR}/tools/zentra/console_class.cpp)
  target_link_libraries(tools_tests PRIVATE sonabel_app sonabel_audio)
endif()
