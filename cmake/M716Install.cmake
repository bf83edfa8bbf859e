# Install rules of the deliverables. Every target installs through one of these, so the
# package (cmake/Package.cmake) holds whatever is added here:
#
#   m716_install_library(TARGET [EXPORT_NAME NAME])   a shared library, in the library folder;
#       with EXPORT_NAME it is also the imported target KRVM716::NAME of find_package(KRVM716)
#   m716_install_program(TARGET [DESKTOP FILE ICON FILE]) a program, in the program folder; a
#       program with windows adds its desktop entry (FILE.desktop, Exec= the target's name) and
#       its icon (scalable SVG, named as the desktop entry's Icon=)
#   m716_install_private(TARGET...)                   libraries and programs that only the
#       system calls (the package setup hooks and their runner), in <library folder>/m716
#
# For example, a Qt program with a window:
#   m716_install_program(M716Utility DESKTOP m716utility.desktop ICON m716utility.svg)

set(M716_PRIVATE_DIR ${CMAKE_INSTALL_LIBDIR}/m716)
set(M716_EXPORT_SET KRVM716Targets)

function(m716_install_library target)
  cmake_parse_arguments(L "" "EXPORT_NAME" "" ${ARGN})
  if(L_EXPORT_NAME)
    set_target_properties(${target} PROPERTIES EXPORT_NAME ${L_EXPORT_NAME})
    install(TARGETS ${target} EXPORT ${M716_EXPORT_SET}
            LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  else()
    install(TARGETS ${target} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  endif()
endfunction()

function(m716_install_program target)
  cmake_parse_arguments(P "" "DESKTOP;ICON" "" ${ARGN})
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(P_DESKTOP)
    install(FILES ${P_DESKTOP} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  endif()
  if(P_ICON)
    install(FILES ${P_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  endif()
endfunction()

# They find each other beside themselves, and the platform one folder up.
function(m716_install_private)
  set_target_properties(${ARGN} PROPERTIES INSTALL_RPATH "$ORIGIN;$ORIGIN/..")
  install(TARGETS ${ARGN}
          LIBRARY DESTINATION ${M716_PRIVATE_DIR}
          RUNTIME DESTINATION ${M716_PRIVATE_DIR})
endfunction()
