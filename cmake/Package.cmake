# What an installed tree offers application programmers (find_package(KRVM716), pkg-config
# krvm716) and the Debian packages of the whole system (`make package`).
include(CMakePackageConfigHelpers)

set(M716_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/KRVM716)
install(EXPORT ${M716_EXPORT_SET} NAMESPACE KRVM716:: DESTINATION ${M716_CMAKE_PACKAGE_DIR}
        COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/package/KRVM716Config.cmake.in
  ${PROJECT_BINARY_DIR}/KRVM716Config.cmake INSTALL_DESTINATION ${M716_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KRVM716ConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KRVM716Config.cmake
              ${PROJECT_BINARY_DIR}/KRVM716ConfigVersion.cmake
        DESTINATION ${M716_CMAKE_PACKAGE_DIR} COMPONENT development)

# The .pc file names the prefix the tree is installed into, which is known only when it is
# installed (/usr for the packages): the template is filled in then.
set(M716_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
set(M716_PC_PREFIX "@CMAKE_INSTALL_PREFIX@")
configure_file(${CMAKE_CURRENT_LIST_DIR}/package/krvm716.pc.in
               ${PROJECT_BINARY_DIR}/pkgconfig/krvm716.pc.in @ONLY)
install(CODE "configure_file(\"${PROJECT_BINARY_DIR}/pkgconfig/krvm716.pc.in\"
                             \"${PROJECT_BINARY_DIR}/pkgconfig/krvm716.pc\" @ONLY)"
        COMPONENT development)
install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/krvm716.pc DESTINATION ${M716_PKGCONFIG_DIR}
        COMPONENT development)

# Debian packages, one per install component (cmake/InstallRules.cmake), as Debian splits a
# library: the runtime (libkrvm716-1), what applications are built with (libkrvm716-dev), the
# programs (m716) and, as Debian names Python modules, the Python package (python3-m716). Those
# that build on the runtime require its very version.
set(M716_PACKAGE_MAINTAINER "M716 maintainers <m716@example.org>"
    CACHE STRING "Maintainer of the Debian packages: name and mail address")
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development programs)
set(CPACK_PACKAGE_VENDOR "M716 motion software")
set(CPACK_PACKAGE_CONTACT ${M716_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE m716)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs need the runtime's libraries, which are in no installed package while the
# packages are made: dpkg-shlibdeps finds them in the build.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/bin)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# The shlibs file of the runtime: applications built against this version run with any later
# one of the same SONAME. (Only the runtime holds a library with a versioned SONAME.)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libkrvm716-${M716_SOVERSION})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
    "MCB-716 motion library
KRVM716 drives the MCB-716, a four-axis pulse-output motion control
board, through a flat C API: it opens and discovers boards, loads and
saves their axis parameters in the system's registry store, and runs
point-to-point, continuous, interpolated and home-search moves, reading
the board's status and interrupt events.

This package holds the library and, in a private folder, the libraries
only it loads: the platform services (registry store, events, port
bus), the simulated board and the interrupt driver stand-in.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libkrvm716-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "MCB-716 motion library - development files
KRVM716 drives the MCB-716, a four-axis pulse-output motion control
board, through a flat C API.

This package holds what applications are built with: the headers
KRVM716.h, KRVM716_driver.h and m716sim.h (the simulated board's
control API), the link to the library, find_package(KRVM716) and
pkg-config krvm716.")

set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME m716)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION electronics)
# groupadd for the group that shares the system registry store.
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_DEPENDS passwd)
set(CPACK_DEBIAN_PROGRAMS_DESCRIPTION
    "MCB-716 motion board utility, installer and command-line tools
The programs of the M716 motion software for the MCB-716, a four-axis
pulse-output motion control board:
 - M716Utility, which sets up, moves and watches the axes of a board;
 - M716Install, which declares the boards fitted in the machine;
 - m716, the motion library from a shell, for controllers and scripts;
 - m716reg, the system's registry store from a shell.
Without a board they work on a simulated one.

Installing makes the system registry store /var/lib/m716, shared by
the group m716.")

# The Python package's extension modules use the stable ABI, so every Python 3 from the oldest
# the package runs on loads them. The code cffi generates asks for the backend's API level
# 0x2601 (9729), which the backend states in two virtual packages, as Debian's cffi has its
# users depend on it.
if(M716_BUILD_PYTHON)
  list(APPEND CPACK_COMPONENTS_ALL python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-m716)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  string(JOIN ", " CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
         "python3 (>= ${M716_PYTHON_MINIMUM_VERSION}~)"
         "python3-cffi-backend-api-min (<= 9729)" "python3-cffi-backend-api-max (>= 9729)")
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION
      "MCB-716 motion library - Python 3 package
KRVM716 drives the MCB-716, a four-axis pulse-output motion control
board, through a flat C API.

This package holds the Python 3 package m716, the library for Python
programs: boards as context managers that stop what they started when
left, axes with their parameters and counters, moves and home searches
whose wait tells how they ended, continuous paths, events, and errors
as exceptions carrying the library's code and text. Its module m716.sim
drives the simulated board, for tests of a machine without one.")
endif()

# Each package's documentation folder holds the copyright and the changelog, compressed as
# Debian wants it; the programs' holds the README too.
set(M716_CHANGELOG ${CMAKE_CURRENT_LIST_DIR}/package/changelog)
file(STRINGS ${M716_CHANGELOG} M716_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT M716_CHANGELOG_TOP MATCHES "^m716 \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "${M716_CHANGELOG} does not begin with version ${PROJECT_VERSION}: "
                      "add an entry for it")
endif()
set(M716_CHANGELOG_GZ ${PROJECT_BINARY_DIR}/debian/changelog.gz)
add_custom_command(OUTPUT ${M716_CHANGELOG_GZ}
                   COMMAND gzip -9n --stdout ${M716_CHANGELOG} > ${M716_CHANGELOG_GZ}
                   DEPENDS ${M716_CHANGELOG} VERBATIM)
add_custom_target(m716_changelog ALL DEPENDS ${M716_CHANGELOG_GZ})

foreach(component ${CPACK_COMPONENTS_ALL})
  string(TOUPPER ${component} name)
  set(docs ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_DEBIAN_${name}_PACKAGE_NAME})
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/package/copyright ${M716_CHANGELOG_GZ}
          DESTINATION ${docs} COMPONENT ${component})
endforeach()
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/m716 COMPONENT programs)

# What lintian reports and is meant (each with its reason in the file).
foreach(component runtime programs)
  string(TOUPPER ${component} name)
  set(package ${CPACK_DEBIAN_${name}_PACKAGE_NAME})
  configure_file(${CMAKE_CURRENT_LIST_DIR}/package/${component}.lintian-overrides.in
                 ${PROJECT_BINARY_DIR}/debian/${component}/${package} @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/debian/${component}/${package}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides COMPONENT ${component})
endforeach()

# m716_control_scripts(COMPONENT TEMPLATE...): fills in each package/TEMPLATE.in, named
# <script> or <component>.<script>, as a maintainer script of the component's package.
function(m716_control_scripts component)
  set(scripts)
  foreach(template ${ARGN})
    string(REGEX REPLACE "^.*[.]" "" script ${template})
    set(file ${PROJECT_BINARY_DIR}/debian/${component}/${script})
    configure_file(${CMAKE_CURRENT_LIST_DIR}/package/${template}.in ${file} @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                    WORLD_READ WORLD_EXECUTE)
    list(APPEND scripts ${file})
  endforeach()
  string(TOUPPER ${component} name)
  set(CPACK_DEBIAN_${name}_PACKAGE_CONTROL_EXTRA ${scripts} PARENT_SCOPE)
endfunction()

# The runtime activates the loader's cache trigger. The programs' maintainer scripts run the
# setup hooks through m716setup and keep the system registry store. The Python package's
# byte-compile its modules and remove the byte code again, as Debian's Python packages do.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/package/triggers)
set(M716_RUNNER ${CPACK_PACKAGING_INSTALL_PREFIX}/${M716_PRIVATE_DIR}/m716setup)
set(M716_SYSTEM_STORE_DIR /var/lib/m716)
m716_control_scripts(programs preinst postinst prerm postrm)
if(M716_BUILD_PYTHON)
  m716_control_scripts(python python.postinst python.prerm)
endif()

include(CPack)
cpack_add_component(runtime)
cpack_add_component(development DEPENDS runtime)
cpack_add_component(programs DEPENDS runtime)
if(M716_BUILD_PYTHON)
  cpack_add_component(python DEPENDS runtime)
endif()
