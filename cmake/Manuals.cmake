# A manual page for every program, made by help2man from the program's --help, with the
# sections --help does not carry from cmake/manuals/<program>.h2m.in (and the registry store's
# files from store.h2m.in). The pages are built with the programs and go to the m716 package.
find_program(M716_HELP2MAN help2man REQUIRED)

set(M716_MANUALS_DIR ${PROJECT_BINARY_DIR}/manuals)
set(M716_SYSTEM_STORE /var/lib/m716/registry.db)
configure_file(${CMAKE_CURRENT_LIST_DIR}/manuals/store.h2m.in ${M716_MANUALS_DIR}/store.h2m @ONLY)
set(M716_MANUAL_PAGES)

# m716_manual(TARGET SECTION NAME): NAME is the page's one-line description.
function(m716_manual target section name)
  set(include ${M716_MANUALS_DIR}/${target}.h2m)
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/manuals/${target}.h2m.in ${include} @ONLY)
  set(page ${M716_MANUALS_DIR}/${target}.${section})
  # The version is the build's, as --version prints it; help2man's own run of --version would
  # put the motion library's line into the last section of --help.
  add_custom_command(
    OUTPUT ${page} ${page}.gz
    COMMAND ${M716_HELP2MAN} --no-info --section=${section} --name=${name}
            "--version-string=${target} (M716 motion software) ${PROJECT_VERSION}"
            --include=${include} --include=${M716_MANUALS_DIR}/store.h2m --output=${page}
            $<TARGET_FILE:${target}>
    COMMAND gzip -9n --force --keep ${page}
    DEPENDS ${target} ${include} ${M716_MANUALS_DIR}/store.h2m
    COMMENT "Manual page ${target}(${section})" VERBATIM)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT programs)
  set(M716_MANUAL_PAGES ${M716_MANUAL_PAGES} ${page} PARENT_SCOPE)
endfunction()

m716_manual(m716 1 "the motion library from a shell")
m716_manual(m716reg 1 "the registry store of the M716 motion software from a shell")
m716_manual(M716Utility 1 "set up, move and watch an MCB-716 motion board")
m716_manual(M716Install 1 "declare the MCB-716 boards fitted in this machine")
m716_manual(m716setup 8 "run the package setup hooks of the M716 motion software")
add_custom_target(m716_manuals ALL DEPENDS ${M716_MANUAL_PAGES})
