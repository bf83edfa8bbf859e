# Install rules of the deliverables. Every target installs through one of these, so the
# packages (cmake/Package.cmake) hold whatever is added here. Each rule names the component,
# and so the Debian package, its files go to:
#
#   runtime      libkrvm716-<SOVERSION>: the motion library and the libraries only the system
#                itself loads
#   development  libkrvm716-dev: headers, the library's development link, find_package and
#                pkg-config files
#   programs     m716: the programs, the setup hooks, manual pages, completion, desktop entries
#
#   m716_install_library(TARGET [EXPORT_NAME NAME])   the motion library, in the library folder
#       with its versioned SONAME (libKRVM716.so.<SOVERSION>); the unversioned link is for
#       development. With EXPORT_NAME it is also the imported target KRVM716::NAME.
#   m716_install_system_library(TARGET [EXPORT_NAME NAME])  a library that only the system
#       loads (the platform services, the simulated boards, the interrupt driver stand-in), in
#       the system's private folder <library folder>/krvm716-<SOVERSION>
#   m716_install_program(TARGET [DESKTOP FILE ICON FILE]) a program, in the program folder; a
#       program with windows adds its desktop entry (FILE.desktop, Exec= the target's name) and
#       its icon (scalable SVG, named as the desktop entry's Icon=)
#   m716_install_private(TARGET...)                   libraries and programs that only the
#       package calls (the setup hooks and their runner), in <library folder>/m716
#
# For example, a Qt program with a window:
#   m716_install_program(M716Utility DESKTOP m716utility.desktop ICON m716utility.svg)

# The ABI version of the motion library, the number in its SONAME: raise it when an exported
# function goes away or changes its arguments or meaning.
set(M716_SOVERSION 1)
set(M716_MOTION_LIBRARY_FILE libKRVM716.so.${M716_SOVERSION})

# Debian's library folders carry the architecture (lib/x86_64-linux-gnu), under /usr/local as
# under /usr; GNUInstallDirs names them only for /usr, and "lib" otherwise (also in the cache of
# a build folder configured before), which is replaced here.
if(CMAKE_LIBRARY_ARCHITECTURE AND
   (NOT DEFINED CACHE{CMAKE_INSTALL_LIBDIR} OR "$CACHE{CMAKE_INSTALL_LIBDIR}" STREQUAL "lib"))
  set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}
      CACHE PATH "Object code libraries (LIBDIR)" FORCE)
endif()
include(GNUInstallDirs)

set(M716_SYSTEM_LIBRARY_FOLDER krvm716-${M716_SOVERSION})
set(M716_SYSTEM_LIBRARY_DIR ${CMAKE_INSTALL_LIBDIR}/${M716_SYSTEM_LIBRARY_FOLDER})
set(M716_PRIVATE_DIR ${CMAKE_INSTALL_LIBDIR}/m716)
set(M716_EXPORT_SET KRVM716Targets)

# The compiler's name and version, which the linked files carry, are left out of what is
# installed, as Debian's packaging tools strip them.
function(m716_drop_compiler_note)
  foreach(target ${ARGN})
    add_custom_command(TARGET ${target} POST_BUILD
                       COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment $<TARGET_FILE:${target}>
                       VERBATIM)
  endforeach()
endfunction()

# The EXPORT arguments of install(TARGETS) that make the target KRVM716::<export name>, if any.
function(m716_export_arguments target export_name out)
  set(${out} "" PARENT_SCOPE)
  if(export_name)
    set_target_properties(${target} PROPERTIES EXPORT_NAME ${export_name})
    set(${out} EXPORT ${M716_EXPORT_SET} PARENT_SCOPE)
  endif()
endfunction()

function(m716_install_library target)
  cmake_parse_arguments(L "" "EXPORT_NAME" "" ${ARGN})
  m716_drop_compiler_note(${target})
  set_target_properties(${target} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${M716_SOVERSION}
                        INSTALL_RPATH "$ORIGIN/${M716_SYSTEM_LIBRARY_FOLDER}")
  m716_export_arguments(${target} "${L_EXPORT_NAME}" export)
  install(TARGETS ${target} ${export}
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
                  NAMELINK_COMPONENT development)
endfunction()

function(m716_install_system_library target)
  cmake_parse_arguments(L "" "EXPORT_NAME" "" ${ARGN})
  m716_drop_compiler_note(${target})
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
  m716_export_arguments(${target} "${L_EXPORT_NAME}" export)
  install(TARGETS ${target} ${export}
          LIBRARY DESTINATION ${M716_SYSTEM_LIBRARY_DIR} COMPONENT runtime)
endfunction()

# Programs find the motion library in the library folder (the loader's cache knows it under
# /usr; other prefixes need the first path) and the platform in the system's private folder.
function(m716_install_program target)
  cmake_parse_arguments(P "" "DESKTOP;ICON" "" ${ARGN})
  m716_drop_compiler_note(${target})
  set_target_properties(${target} PROPERTIES INSTALL_RPATH
    "$ORIGIN/../${CMAKE_INSTALL_LIBDIR};$ORIGIN/../${M716_SYSTEM_LIBRARY_DIR}")
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
  if(P_DESKTOP)
    install(FILES ${P_DESKTOP} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
            COMPONENT programs)
  endif()
  if(P_ICON)
    install(FILES ${P_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
            COMPONENT programs)
  endif()
endfunction()

# They find each other beside themselves, and the platform in the system's private folder.
function(m716_install_private)
  m716_drop_compiler_note(${ARGN})
  set_target_properties(${ARGN} PROPERTIES INSTALL_RPATH
                        "$ORIGIN;$ORIGIN/../${M716_SYSTEM_LIBRARY_FOLDER}")
  install(TARGETS ${ARGN}
          LIBRARY DESTINATION ${M716_PRIVATE_DIR} COMPONENT programs
          RUNTIME DESTINATION ${M716_PRIVATE_DIR} COMPONENT programs)
endfunction()
