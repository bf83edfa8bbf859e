# What an installed tree offers application programmers (find_package(KRVM716), pkg-config
# krvm716) and the Debian package of the whole system (`make package`).
include(CMakePackageConfigHelpers)

set(M716_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/KRVM716)
install(EXPORT ${M716_EXPORT_SET} NAMESPACE KRVM716:: DESTINATION ${M716_CMAKE_PACKAGE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/package/KRVM716Config.cmake.in
  ${PROJECT_BINARY_DIR}/KRVM716Config.cmake INSTALL_DESTINATION ${M716_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KRVM716ConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KRVM716Config.cmake
              ${PROJECT_BINARY_DIR}/KRVM716ConfigVersion.cmake
        DESTINATION ${M716_CMAKE_PACKAGE_DIR})

# The .pc file finds its prefix from its own place, so the tree can be installed anywhere.
set(M716_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH M716_PKGCONFIG_TO_PREFIX /prefix/${M716_PKGCONFIG_DIR} /prefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/package/krvm716.pc.in ${PROJECT_BINARY_DIR}/krvm716.pc
               @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/krvm716.pc DESTINATION ${M716_PKGCONFIG_DIR})

# The Debian package. Its maintainer scripts run the setup hooks through m716setup.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME m716)
set(CPACK_PACKAGE_VENDOR "M716 motion software")
set(CPACK_PACKAGE_CONTACT "M716 maintainers <m716@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "MCB-716 motion library, interrupt driver, tools and simulated board")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS passwd)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(M716_RUNNER ${CPACK_PACKAGING_INSTALL_PREFIX}/${M716_PRIVATE_DIR}/m716setup)
set(M716_SYSTEM_STORE_DIR /var/lib/m716)
set(M716_MAINTAINER_SCRIPTS)
foreach(script preinst postinst prerm postrm)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/package/${script}.in
                 ${PROJECT_BINARY_DIR}/debian/${script} @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  list(APPEND M716_MAINTAINER_SCRIPTS ${PROJECT_BINARY_DIR}/debian/${script})
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${M716_MAINTAINER_SCRIPTS})

include(CPack)
