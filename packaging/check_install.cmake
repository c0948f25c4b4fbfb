# Installs the build into a scratch prefix and checks that every file a Linux
# desktop needs is where it looks for it.
# Usage: cmake -DBUILD_DIR=... -DPREFIX=... -DEXPECTED="a;b;..." -P check_install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
foreach(file IN LISTS EXPECTED)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(READ ${PREFIX}/share/applications/tabulox.desktop entry)
if(NOT entry MATCHES "\nExec=Tabulox %F\n" OR NOT entry MATCHES "\nIcon=tabulox\n")
  message(FATAL_ERROR "desktop entry does not start Tabulox with its icon and the chosen files")
endif()
if(NOT entry MATCHES "\nMimeType=[^\n]*application/vnd\\.ms-excel;"
   OR NOT entry MATCHES "\nMimeType=[^\n]*application/vnd\\.openxmlformats-officedocument\\.spreadsheetml\\.sheet;")
  message(FATAL_ERROR "desktop entry does not offer Tabulox for both workbook types")
endif()
file(REMOVE_RECURSE ${PREFIX})
