# What `make package` puts in the Debian package, and how: the program in bin/, the helper
# programs in libexec/tavelo (the program finds them relative to itself), the manual in
# share/tavelo, and what a desktop needs to list it: the menu entry, the software centre's
# description and the icons.
include(GNUInstallDirs)

install(TARGETS tavelo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS convert-legacy mkbooks sheet books-db
        RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/tavelo)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/manual/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tavelo/manual)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${TAVELO_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${TAVELO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/icons/hicolor
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavelo)

# Debian wants the manual page and the changelog compressed without a time stamp, so that
# the package's bytes depend on its sources alone.
set(compressed)
foreach(source tavelo.1 tavelo.zh_CN.1 changelog)
  set(out ${CMAKE_BINARY_DIR}/packaging/${source}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9nc ${CMAKE_CURRENT_LIST_DIR}/${source} > ${out}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${source} VERBATIM)
  list(APPEND compressed ${out})
endforeach()
add_custom_target(package_documents ALL DEPENDS ${compressed})
install(FILES ${CMAKE_BINARY_DIR}/packaging/tavelo.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The same page in Chinese, for `man -L zh_CN tavelo` and desktops in Chinese.
install(FILES ${CMAKE_BINARY_DIR}/packaging/tavelo.zh_CN.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/zh_CN/man1 RENAME tavelo.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavelo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavelo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Tavelo <service@tavelo.example.com>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tavelo <service@tavelo.example.com>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tavelo.example.com/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "shop bookkeeping: purchases, sales, returns and stock")
set(CPACK_PACKAGE_DESCRIPTION "\
Tavelo进销存 keeps the books of one small shop: goods received (进货入库),
sales (销售出库), returns from customers and to suppliers, the stock with its
moving average cost, searches, totals, a shortage list, printed lists, sales
bills and till receipts. Its interface is in simplified Chinese.

The books are four workbook files in a folder of the user's documents, which
spreadsheet programs open too; a shop with several tills keeps them on a
PostgreSQL server instead.")
# The libraries come from the executables themselves. The rest the program needs but does
# not link: the CJK faces its windows and printouts ask for, and Qt's own words in Chinese.
# The JPEG image plugin its pictures need and the X11 platform plugin are part of
# libqt6gui6, which the libraries bring.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk, fonts-arphic-uming, fonts-hanazono, qt6-translations-l10n")
# Opening the manual and the links goes through the desktop; printing through CUPS.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, cups")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libreoffice-calc")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
