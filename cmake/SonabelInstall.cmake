# The default skin packed as Resources.zpac beside the program at build time, what `cmake
# --install` puts in place (programs, skin package, desktop entry, icon) and the Debian package
# `cpack -G DEB` makes of the same.
include(GNUInstallDirs)

find_program(SONABEL_7ZIP NAMES 7zz 7z REQUIRED)
file(GLOB_RECURSE default_skin_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/skins/default/*)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/Resources.zpac
  COMMAND ${CMAKE_COMMAND} -E rm -f ${PROJECT_BINARY_DIR}/Resources.zpac
  COMMAND ${SONABEL_7ZIP} a -t7z -bd -bso0 -bsp0 -y -m0=LZMA2 "-xr!*.py" ${PROJECT_BINARY_DIR}/Resources.zpac *
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/skins/default
  DEPENDS ${default_skin_files}
  COMMENT "Packing skins/default into Resources.zpac")
add_custom_target(resources ALL DEPENDS ${PROJECT_BINARY_DIR}/Resources.zpac)

# The example station lists beside the program, as "playlists" is for an installed one.
file(GLOB_RECURSE playlist_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/playlists/*)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/playlists.stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${PROJECT_BINARY_DIR}/playlists
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/playlists ${PROJECT_BINARY_DIR}/playlists
  COMMAND ${CMAKE_COMMAND} -E touch ${PROJECT_BINARY_DIR}/playlists.stamp
  DEPENDS ${playlist_files}
  COMMENT "Copying the example station lists")
add_custom_target(playlists ALL DEPENDS ${PROJECT_BINARY_DIR}/playlists.stamp)

# An installed player finds its skin package here when there is none beside it.
set(SONABEL_DATA_DIR "${CMAKE_INSTALL_FULL_DATADIR}/sonabel")
if(TARGET sonabel_app)
  target_compile_definitions(sonabel_app PRIVATE SONABEL_DATA_DIR="${SONABEL_DATA_DIR}")
endif()

# The player and the command-line programs; an installed zentra opens the same audio module.
foreach(program sonabel zentra sonabel-skin)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
# The player's audio engine module, found beside the program or here.
install(TARGETS sonabel_audio_module LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/sonabel)
target_compile_definitions(sonabel_audio_loader PRIVATE
  SONABEL_AUDIO_MODULE_DIR="${CMAKE_INSTALL_FULL_LIBDIR}/sonabel")
install(FILES ${PROJECT_BINARY_DIR}/Resources.zpac DESTINATION ${CMAKE_INSTALL_DATADIR}/sonabel)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/playlists/ DESTINATION ${CMAKE_INSTALL_DATADIR}/sonabel/playlists)
install(FILES ${PROJECT_SOURCE_DIR}/app/data/sonabel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/app/data/sonabel.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sonabel)
set(CPACK_PACKAGE_VENDOR Sonabel)
set(CPACK_PACKAGE_CONTACT "Sonabel developers <sonabel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Skinnable internet-radio player")
set(CPACK_PACKAGE_DESCRIPTION "Plays internet radio streams, sound files and tracker modules in a window drawn entirely by its skin; skins are markup, bitmaps and ZentraScript.")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
