# Debian packages, one per install component, made by `cpack -G DEB` in a
# build folder configured with CMAKE_INSTALL_PREFIX=/usr (the "deb" preset):
#   tabulox          the console converter             (section utils)
#   tabulox-desktop  the desktop program               (section utils)
#   libtabulox3      the shared engine library         (section libs)
#   libtabulox-dev   what programs build against it    (section libdevel)
# The console program links the engine statically, so a server gets it without
# Qt or the library package. dpkg-shlibdeps finds the run-time packages of
# what each package links (zlib1g, libnettle8 for the ciphers of encrypted
# workbooks); what a package loads at run time is named here.
set(TABULOX_PACKAGE_MAINTAINER "Tabulox maintainers <tabulox@localhost>"
    CACHE STRING "The Maintainer field of the Debian packages")

set(CPACK_PACKAGE_NAME tabulox)
set(CPACK_PACKAGE_VENDOR Tabulox)
set(CPACK_PACKAGE_CONTACT ${TABULOX_PACKAGE_MAINTAINER})
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_CONSOLE_PACKAGE_NAME tabulox)
set(CPACK_DEBIAN_CONSOLE_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_CONSOLE_DESCRIPTION
"spreadsheet workbooks (.xls, .xlsx) to tab-separated text
tbulxcmd converts one workbook into one text file or standard output: every
worksheet becomes a heading line, then one line per row with the cells of a
row separated by tabs, written in a code page of the user's choice. Its exit
status names the outcome, and a destination is written to a temporary file
and renamed into place, so it suits scripts and batch jobs.")

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME tabulox-desktop)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_SECTION utils)
# The window system integration is a plugin Qt loads at run time.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_SUGGESTS tabulox)
set(CPACK_DEBIAN_DESKTOP_DESCRIPTION
"spreadsheet workbooks (.xls, .xlsx) to text files, in a window
Tabulox keeps a list of workbooks, converts them in batch runs to
tab-separated text files, shows each file's outcome and keeps an activity
log. With a menu entry, icons and help pages.")

set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libtabulox${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
# Gives a package with a shared library its shlibs file and the ldconfig trigger.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_LIBRARY_DESCRIPTION
"spreadsheet workbooks (.xls, .xlsx) to text, shared library
The Tabulox engine: the text of .xls and .xlsx workbooks, every worksheet as a
heading line and one line per row with the cells separated by tabs, in a code
page of the program's choice.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libtabulox-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS library)
# A program linked with the static library links zlib and Nettle itself.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "zlib1g-dev, nettle-dev")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
"spreadsheet workbooks (.xls, .xlsx) to text, development files
The header include/tabulox/tabulox.h, the static library, the CMake package
(find_package(Tabulox), target Tabulox::engine) and the pkg-config file
(tabulox) of the Tabulox engine.")

include(CPack)
