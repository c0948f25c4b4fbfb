# Tests of what is installed and packaged. Those that install share the
# "install" lock: they write into the build folder's install records.

if(TARGET Tabulox AND TARGET tbulxcmd)
  set(expected_files
    ${CMAKE_INSTALL_BINDIR}/tbulxcmd
    ${CMAKE_INSTALL_BINDIR}/Tabulox
    ${CMAKE_INSTALL_MANDIR}/man1/tbulxcmd.1.gz
    ${CMAKE_INSTALL_MANDIR}/man1/Tabulox.1.gz
    ${TABULOX_HELP_INSTALL_DIR}/index.html
    ${TABULOX_HELP_INSTALL_DIR}/Options.htm
    ${CMAKE_INSTALL_DATADIR}/applications/tabulox.desktop
    ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps/tabulox.svg
    ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps/tabulox.png)
  add_test(NAME InstallLayout
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DPREFIX=${CMAKE_CURRENT_BINARY_DIR}/install-check
            "-DEXPECTED=${expected_files}" -P ${CMAKE_CURRENT_SOURCE_DIR}/check_install.cmake)
  set_tests_properties(InstallLayout PROPERTIES RESOURCE_LOCK install)
endif()

# The installed library, used from outside the tree as another program would.
# A sanitizer build's library needs the example built with the same runtime.
if(TARGET tabulox_shared AND TARGET tbulxcmd)
  add_test(NAME LibraryInstall
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/check_library_install.sh ${CMAKE_BINARY_DIR}
            ${PROJECT_SOURCE_DIR} $<TARGET_FILE:tbulxcmd> ${CMAKE_CURRENT_BINARY_DIR}/library-check)
  set(example_environment CXX=${CMAKE_CXX_COMPILER})
  if(TABULOX_SANITIZE)
    list(APPEND example_environment "CXXFLAGS=-fsanitize=address,undefined"
                                    "LDFLAGS=-fsanitize=address,undefined")
  endif()
  set_tests_properties(LibraryInstall PROPERTIES RESOURCE_LOCK install TIMEOUT 300
                       ENVIRONMENT "${example_environment}")

  # The Debian packages of this build, where the Debian tools are installed.
  if(TARGET Tabulox)
    set(with_desktop 1)
  else()
    set(with_desktop 0)
  endif()
  add_test(NAME DebianPackages
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/check_debian_packages.sh ${CMAKE_BINARY_DIR}
            ${CMAKE_CURRENT_BINARY_DIR}/deb-check ${PROJECT_VERSION} ${with_desktop})
  set_tests_properties(DebianPackages PROPERTIES RESOURCE_LOCK install TIMEOUT 600
                       SKIP_RETURN_CODE 77)
endif()

# The menu entry checked by desktop-file-validate (keys, categories, MIME types),
# where desktop-file-utils is installed.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(TARGET Tabulox AND DESKTOP_FILE_VALIDATE)
  add_test(NAME DesktopEntry COMMAND ${DESKTOP_FILE_VALIDATE} ${PROJECT_SOURCE_DIR}/desktop/tabulox.desktop)
  # A hint is printed, not failed on: the entry must be free of hints too.
  set_tests_properties(DesktopEntry PROPERTIES FAIL_REGULAR_EXPRESSION "(error|warning|hint):")
endif()

foreach(page IN LISTS TABULOX_MAN_PAGES)
  get_filename_component(page_name ${page} NAME)
  add_test(NAME ManPage.${page_name}
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/check_man_page.sh ${page})
  set_tests_properties(ManPage.${page_name} PROPERTIES SKIP_RETURN_CODE 77)
endforeach()
