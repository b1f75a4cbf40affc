# SPDX-License-Identifier: GPL-3.0-or-later
# Install layout and the Debian package.
#
#   bin/velmora, bin/velmora-cli
#   share/velmora/EM_LANG/*.txt                 language files
#   share/velmora/Draxton Firmware/33EP/*.afm    sample firmware for the simulated unit
#   share/velmora/manual/                        the user's manual (HTML)
#   share/applications/velmora.desktop
#   share/icons/hicolor/<n>x<n>/apps/velmora.png, scalable/apps/velmora.svg
#   share/metainfo/io.github.velmora.Velmora.metainfo.xml
#   share/mime/packages/velmora.xml              .afm as "Velmora firmware"
#   share/man/man1/velmora.1.gz, velmora-cli.1.gz
#   share/doc/velmora/copyright                  the licence, Debian's machine-readable form
#
# The programs look for their data beside the executable first (a build folder)
# and then in ../share/velmora (lang/program_data.h). On Windows everything stays
# beside the executables.

include(GNUInstallDirs)

if(WIN32)
  set(VELMORA_DATA_DESTINATION ${CMAKE_INSTALL_BINDIR})
else()
  set(VELMORA_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/velmora)
endif()

get_property(_velmora_multi_config GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
if(_velmora_multi_config)
  set(_velmora_bin_dir ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/$<CONFIG>)
else()
  set(_velmora_bin_dir ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
endif()

install(TARGETS velmora-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET velmora)
  install(TARGETS velmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The user's manual the window opens with F1 (src/ui/window/CMakeLists.txt).
  install(DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/manual DESTINATION ${VELMORA_DATA_DESTINATION})
endif()
install(DIRECTORY ${VELMORA_LANG_OUTPUT_DIR}/
  DESTINATION ${VELMORA_DATA_DESTINATION}/EM_LANG
  FILES_MATCHING PATTERN "*.txt")
if(NOT CMAKE_CROSSCOMPILING)
  # Written by velmora-cli at build time (src/firmware/CMakeLists.txt).
  install(DIRECTORY "${_velmora_bin_dir}/Draxton Firmware"
    DESTINATION ${VELMORA_DATA_DESTINATION})
endif()

if(WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME LICENSE.txt)
endif()

if(UNIX AND NOT APPLE)
  set(_pkg ${PROJECT_SOURCE_DIR}/packaging)
  set(_out ${PROJECT_BINARY_DIR}/packaging)

  # GPL-3.0-or-later; Debian keeps the full text in /usr/share/common-licenses/GPL-3.
  install(FILES ${_pkg}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/velmora)
  # Debian's policy wants the changelog compressed, and reproducibly (no name or time).
  find_program(GZIP_PROGRAM gzip)
  if(GZIP_PROGRAM)
    add_custom_command(
      OUTPUT ${_out}/changelog.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${_out}
      COMMAND ${GZIP_PROGRAM} -9nc ${_pkg}/changelog > ${_out}/changelog.gz
      DEPENDS ${_pkg}/changelog
      COMMENT "Compressing the changelog")
    add_custom_target(velmora_changelog ALL DEPENDS ${_out}/changelog.gz)
    install(FILES ${_out}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/velmora)
  endif()

  install(FILES ${_pkg}/velmora-mime.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME velmora.xml)

  # The menu entry, its metadata and the icon in every size desktops ask for, the
  # bitmaps painted by the program's own icon code.
  if(TARGET velmora AND TARGET velmora_icongen)
    install(FILES ${_pkg}/velmora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${_pkg}/io.github.velmora.Velmora.metainfo.xml
      DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${_pkg}/velmora.svg
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    set(_icon_sizes 16 22 24 32 48 64 128 256)
    set(_icons)
    foreach(size IN LISTS _icon_sizes)
      list(APPEND _icons ${_out}/icons/velmora-${size}.png)
      install(FILES ${_out}/icons/velmora-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME velmora.png)
    endforeach()
    add_custom_command(
      OUTPUT ${_icons}
      COMMAND velmora_icongen ${_out}/icons ${_icon_sizes}
      DEPENDS velmora_icongen
      COMMENT "Painting the desktop icons")
    add_custom_target(velmora_desktop_icons ALL DEPENDS ${_icons})
  endif()

  # Manual pages from the programs' own --help, so they never drift from it. Not in
  # sanitizer and fuzzing builds, whose programs are not for shipping (and may report
  # leaks at exit).
  find_program(HELP2MAN_PROGRAM help2man)
  find_program(GZIP_PROGRAM gzip)
  if(HELP2MAN_PROGRAM AND GZIP_PROGRAM AND NOT CMAKE_CROSSCOMPILING
     AND VELMORA_SANITIZE STREQUAL "" AND NOT VELMORA_BUILD_FUZZ)
    set(_man_pages)
    set(_velmora_cli_name "console tool for the LPG fuel pressure emulator unit")
    set(_velmora_name "service window for the LPG fuel pressure emulator unit")
    foreach(program velmora-cli velmora)
      if(NOT TARGET ${program})
        continue()
      endif()
      string(REPLACE "-" "_" _var ${program})
      set(_page ${_out}/man/${program}.1)
      add_custom_command(
        OUTPUT ${_page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${_out}/man
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                ${HELP2MAN_PROGRAM} --no-info --no-discard-stderr --section=1
                "--name=${_${_var}_name}" --output=${_page} $<TARGET_FILE:${program}>
        COMMAND ${GZIP_PROGRAM} -9nf ${_page}
        DEPENDS ${program}
        COMMENT "Manual page ${program}.1"
        VERBATIM)
      list(APPEND _man_pages ${_page}.gz)
      install(FILES ${_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endforeach()
    add_custom_target(velmora_man_pages ALL DEPENDS ${_man_pages})
  else()
    message(STATUS "help2man not found: no manual pages")
  endif()
endif()

# cpack -G DEB: a package for Debian 12 and its derivatives.
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Velmora developers <velmora@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Service tool for the LPG fuel pressure emulator")
set(CPACK_PACKAGE_DESCRIPTION
  "Live readings with a scrolling chart, the correction map and its axes,\n\
the unit's settings and firmware reflash through the bootloader, for the\n\
LPG fuel pressure emulator unit on a serial port. Includes velmora-cli,\n\
the console tool, which also runs a simulated unit.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/velmora/velmora")
# Library dependencies as dpkg-shlibdeps finds them in the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own buttons and dialogs in the user's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
# Thai texts need a Thai font, which the default fonts lack.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fonts-thai-tlwg")
set(CPACK_GENERATOR DEB)
include(CPack)
