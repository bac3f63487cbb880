# What `cmake --install` puts where, and the Debian package made of it
# (`cpack -G DEB` in the build folder, or scripts/package).
include(GNUInstallDirs)

install(TARGETS gms RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/gms-client.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/gms-client.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The schema, for setting up a server (README, "Running against a real server").
install(DIRECTORY ${PROJECT_SOURCE_DIR}/db/ DESTINATION ${CMAKE_INSTALL_DATADIR}/gms-client/db
        FILES_MATCHING PATTERN "*.sql")

set(CPACK_PACKAGE_NAME gms-client)
set(CPACK_PACKAGE_VENDOR "University help desk")
set(CPACK_PACKAGE_CONTACT "Help desk administrators <helpdesk@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Grievance Management System: the help desk's client")
set(CPACK_PACKAGE_DESCRIPTION "Desktop client for a universities' help desk: grievances handed out one at \
a time, replies by mail, forwards to the next level; staff accounts; student records and their imports; \
reports. Reaches its MySQL or MariaDB server through ODBC.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# Libraries linked in come from dpkg-shlibdeps; what is loaded at run time is
# named: Qt's ODBC plug-in, the driver manager, the MariaDB driver and the
# tool the maintainer scripts register it with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-odbc, unixodbc, odbcinst, odbc-mariadb")
# LibreOffice converts legacy .xls uploads and shows reports; Noto covers the
# scripts students' names are written in.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libreoffice-calc, fonts-noto-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${CMAKE_CURRENT_LIST_DIR}/postinst;${CMAKE_CURRENT_LIST_DIR}/prerm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
