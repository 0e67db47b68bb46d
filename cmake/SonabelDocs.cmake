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
  target_link_libraries(embed-${stem} PRIVATE zcl zil)
  list(APPEND embedding_programs embed-${stem})
endforeach()

# The binding round trip: zentra writes the type proc of examples/binding/tally.zc's native class,
# and embed-binding builds it with the hand-written class (Tally.h) into a host that calls it.
if(TARGET zentra)
  set(binding_dir ${PROJECT_BINARY_DIR}/examples/binding)
  add_custom_command(OUTPUT ${binding_dir}/bind_Tally.cpp
    COMMAND zentra bindings ${binding_dir} ${PROJECT_SOURCE_DIR}/examples/binding/tally.zc
    DEPENDS zentra ${PROJECT_SOURCE_DIR}/examples/binding/tally.zc
    COMMENT "Generating the binding of the Tally example")
  add_executable(embed-binding ${PROJECT_SOURCE_DIR}/examples/binding/host.cpp ${binding_dir}/bind_Tally.cpp)
  target_include_directories(embed-binding PRIVATE ${PROJECT_SOURCE_DIR}/examples/binding)
  target_link_libraries(embed-binding PRIVATE zcl zil)
  list(APPEND embedding_programs embed-binding)
  # `cmake --build BUILD --target class-docs`: HTML pages of every script class, player's included.
  add_custom_target(class-docs
    COMMAND zentra docs ${PROJECT_BINARY_DIR}/docs/classes --with audio ${PROJECT_SOURCE_DIR}/examples/radio.zc
    DEPENDS zentra
    COMMENT "Writing the class documentation to ${PROJECT_BINARY_DIR}/docs/classes")
endif()

if(TARGET tools_tests)
  if(embedding_programs)
    add_dependencies(tools_tests ${embedding_programs})
  endif()
  target_sources(tools_tests PRIVATE ${PROJECT_SOURCE_DIR}/tools/zentra/console_class.cpp)
  target_link_libraries(tools_tests PRIVATE sonabel_app sonabel_audio)
endif()
