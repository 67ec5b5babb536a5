# What `cmake --install` puts under the prefix, and the Debian package cpack makes of it:
#
#   bin/orvida, bin/orvida-desktop               the executables (installed from src/): orvida starts
#                                                orvida-desktop beside it for the windows
#   share/orvida/BMP/, share/orvida/translations/ the pictures and translations it looks for there
#   share/applications/orvida.desktop            the desktop menu entry
#   share/icons/hicolor/*/apps/orvida.{png,svg}  the program's icon
#   share/man/man1/orvida.1                      the manual page of the command line
#   share/doc/orvida/README.md
#
# An executable in bin/ beside share/orvida/ keeps its program folder in the user's data folder.
include(GNUInstallDirs)

set(ORVIDA_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/orvida)

install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/BMP DESTINATION ${ORVIDA_SHARE_DIR})
# Built beside the executable when the program has translations.
install(DIRECTORY ${CMAKE_BINARY_DIR}/translations DESTINATION ${ORVIDA_SHARE_DIR} OPTIONAL
        FILES_MATCHING PATTERN "*.qm")

install(FILES ${CMAKE_SOURCE_DIR}/packaging/orvida.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/orvida.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/${size}x${size}/orvida.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

configure_file(${CMAKE_SOURCE_DIR}/packaging/orvida.1 ${CMAKE_BINARY_DIR}/packaging/orvida.1 @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/orvida.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orvida)

# cpack -G DEB: orvida_<version>_<arch>.deb, its dependencies read from the binaries (dpkg-shlibdeps).
set(CPACK_PACKAGE_NAME orvida)
set(CPACK_PACKAGE_VENDOR "Orvida")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Orvida <orvida@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "D394 VAT informative declaration for Romanian companies")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The synopsis above, then the body: English, then Romanian.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Orvida imports a company's purchase and sales journals from Excel workbooks
(.xls and .xlsx) into its own SQLite database and writes the informative
declaration D394: the XML document and the text file for 2012 onwards, the
semester report, the error list and a printed summary for earlier periods.
It is a desktop program in Romanian, and the same executable runs from the
command line, so a month's declarations for many companies can be scripted.
.
Orvida importa jurnalele de achizitii si livrari ale unei societati din
registre Excel (.xls si .xlsx) in propria baza de date SQLite si genereaza
declaratia informativa D394: documentul XML si fisierul text din 2012
incoace, declaratia semestriala, lista de erori si rezumatul tiparit pentru
perioadele anterioare. Este un program cu ferestre, in limba romana, iar
acelasi executabil lucreaza si din linia de comanda.")
set(CPACK_GENERATOR DEB)
include(CPack)
