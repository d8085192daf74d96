# Installing the game as a Debian game is laid out, and the .deb made from the same rules with CPack
# (scripts/package.sh builds it with Debian's hardening flags and checks it with lintian).
#   games/                      vexlot, vexlot-relay
#   share/games/vexlot/         the sounds (the program looks here when none are beside it)
#   share/applications/         the desktop entry, named after the AppStream id
#   share/metainfo/             the AppStream metadata
#   share/icons/hicolor/64x64/  the icon
#   share/man/man6/             vexlot.6, vexlot-relay.6 (compressed, as Debian wants them)
#   share/doc/vexlot/           copyright, changelog
#   lib/systemd/system/         vexlot-relay.service (not enabled: a server's owner turns it on)
# The relay is another program of this project; everything of it goes in only when it is built.
include(GNUInstallDirs)

set(VEXLOT_APP_ID io.github.vexlot.vexlot)
set(VEXLOT_INSTALL_GAMESDIR games CACHE STRING "Where the programs are installed, under the prefix")
set(VEXLOT_INSTALL_GAMEDATADIR ${CMAKE_INSTALL_DATADIR}/games/vexlot CACHE STRING
    "Where the sounds are installed, under the prefix")
set(VEXLOT_INSTALL_UNITDIR lib/systemd/system CACHE STRING
    "Where the relay's systemd unit is installed, under the prefix")
# The installed places as the programs see them (the .deb's prefix is /usr).
foreach(dir GAMESDIR GAMEDATADIR)
  if(IS_ABSOLUTE ${VEXLOT_INSTALL_${dir}})
    set(VEXLOT_FULL_${dir} ${VEXLOT_INSTALL_${dir}})
  else()
    set(VEXLOT_FULL_${dir} ${CMAKE_INSTALL_PREFIX}/${VEXLOT_INSTALL_${dir}})
  endif()
endforeach()
target_compile_definitions(vexlot_window PRIVATE VEXLOT_DATA_DIR="${VEXLOT_FULL_GAMEDATADIR}")

set(PACKAGING ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
set(VEXLOT_HAS_RELAY OFF)
if(TARGET vexlot-relay)
  set(VEXLOT_HAS_RELAY ON)
endif()

# A stripped program also loses the compiler's notes, as Debian's dh_strip does.
function(vexlot_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${VEXLOT_INSTALL_GAMESDIR})
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${VEXLOT_INSTALL_GAMESDIR}/$<TARGET_FILE_NAME:${target}>\"
      COMMAND_ERROR_IS_FATAL ANY)
  endif()")
endfunction()
vexlot_install_program(vexlot)
install(FILES ${SOUND_FILES} DESTINATION ${VEXLOT_INSTALL_GAMEDATADIR})
install(FILES assets/vexlot.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        RENAME ${VEXLOT_APP_ID}.desktop)
install(FILES ${PACKAGING}/${VEXLOT_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES assets/icon.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps RENAME vexlot.png)
install(FILES ${PACKAGING}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Man pages and the changelog compressed without a name or a time in them (gzip -n), so that two
# builds of one source give the same package.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(VEXLOT_MAN_PAGES vexlot)
if(VEXLOT_HAS_RELAY)
  list(APPEND VEXLOT_MAN_PAGES vexlot-relay)
endif()
foreach(page ${VEXLOT_MAN_PAGES})
  list(APPEND compressed_in ${PACKAGING}/${page}.6)
  list(APPEND compressed_out ${CMAKE_CURRENT_BINARY_DIR}/packaging/${page}.6.gz)
endforeach()
list(APPEND compressed_in ${PACKAGING}/changelog)
list(APPEND compressed_out ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz)
foreach(in out IN ZIP_LISTS compressed_in compressed_out)
  add_custom_command(OUTPUT ${out}
    COMMAND sh -c "${GZIP_PROGRAM} -9n -c \"$1\" > \"$2\"" sh ${in} ${out}
    DEPENDS ${in} VERBATIM)
endforeach()
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/packaging)
add_custom_target(vexlot_docs ALL DEPENDS ${compressed_out})
foreach(page ${VEXLOT_MAN_PAGES})
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/${page}.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endforeach()
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(VEXLOT_HAS_RELAY)
  vexlot_install_program(vexlot-relay)
  configure_file(${PACKAGING}/vexlot-relay.service.in ${CMAKE_CURRENT_BINARY_DIR}/packaging/vexlot-relay.service @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/vexlot-relay.service DESTINATION ${VEXLOT_INSTALL_UNITDIR})
endif()

# The man pages list the options --help lists, no more, no fewer; the package's versions agree.
if(VEXLOT_TESTS)
  add_test(NAME man_page_options_vexlot
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/packaging/man_options_test.sh
                   ${PACKAGING}/vexlot.6 $<TARGET_FILE:vexlot>)
  if(VEXLOT_HAS_RELAY)
    set(relay_program $<TARGET_FILE:vexlot-relay>)
  else()
    set(relay_program "")  # not built here: the test says so and is skipped
  endif()
  add_test(NAME man_page_options_vexlot_relay
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/packaging/man_options_test.sh
                   ${PACKAGING}/vexlot-relay.6 "${relay_program}")
  set_tests_properties(man_page_options_vexlot man_page_options_vexlot_relay PROPERTIES SKIP_RETURN_CODE 77)
  add_test(NAME package_versions
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/packaging/versions_test.sh ${PROJECT_VERSION} ${PACKAGING}
                   $<TARGET_FILE:vexlot>)
endif()

# The .deb: `cpack -G DEB` in a build configured by scripts/package.sh (prefix /usr).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexlot)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Vexlot developers <maintainers@users.noreply.c-seed-da96e83d.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "side-view stick-figure action game with destructible terrain")
# The long description: CPack puts the summary above it, a space before each line and a full stop on
# each empty line, as Debian's control files want.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Your stick-figure guy and a few computer guys walk, crawl, jump, aim and
fight with eight weapons across one wide level picture that is also the only
collision map: explosions carve craters, and everything that moves is painted
into that same picture. Push right through the level to meet new enemies and
rows of mines.

Two players can share one keyboard or gamepads, or play each other over the
network; every game is recorded as a small replay file that plays back bit
for bit.")
if(VEXLOT_HAS_RELAY)
  string(APPEND CPACK_DEBIAN_PACKAGE_DESCRIPTION "

The package also holds vexlot-relay, a server with rooms through which
players meet by a short code without opening a port on their router.")
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # Depends: from the libraries the programs link (dpkg-shlibdeps)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
include(CPack)
