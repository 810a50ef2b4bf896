# The Debian package: the program, the command-line front end, the HTML
# help, the desktop entry, the icon, the AppStream metainfo and a manual
# page for each program made from its --help. `make deb` runs cpack.
include(GNUInstallDirs)

find_program(HELP2MAN help2man)
set(man_pages)
function(quorvel_man_page program summary)
  set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            ${HELP2MAN} --no-info --no-discard-stderr --version-string=${PROJECT_VERSION}
            --name=${summary} --output=${page} $<TARGET_FILE:${program}>
    DEPENDS ${program}
    COMMENT "Writing the manual page of ${program}"
    VERBATIM)
  set(man_pages ${man_pages} ${page} PARENT_SCOPE)
endfunction()
if(HELP2MAN)
  quorvel_man_page(quorvel "study plane algebraic curves by monodromy")
  quorvel_man_page(quorvel-cli "command-line front end of Quorvel")
  add_custom_target(quorvel_man_pages ALL DEPENDS ${man_pages})
  install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(metainfo ${CMAKE_BINARY_DIR}/io.github.quorvel.Quorvel.metainfo.xml)
configure_file(${PROJECT_SOURCE_DIR}/resources/io.github.quorvel.Quorvel.metainfo.xml ${metainfo} @ONLY)
install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quorvel")
set(CPACK_PACKAGE_CONTACT "Quorvel developers <quorvel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Study plane algebraic curves by monodromy")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Quorvel computes the branch polynomial of a plane curve f(x, t) = 0 exactly,\n isolates its branch loci with a proof, traces the fiber along loops around\n them and reports the monodromy permutation and a braid word.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
# The dependencies are the shared libraries the programs link with, mapped
# to their Debian packages: GAP's library (libgap8, and through it GAP's own
# library files, gap-libs) comes in with quorvel-gap.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGE_INSTALL_DIRECTORY quorvel)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)

add_test(NAME package_deb
  COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR} -P ${PROJECT_SOURCE_DIR}/tests/package/deb_test.cmake)
