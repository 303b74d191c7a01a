# Install rules and the two Debian packages, read only when VORBEL_PACKAGE is ON (scripts/package):
#   vorbel          the client, its skin, desktop entry, icons, AppStream metainfo and man page
#   vorbel-service  the reference service and its systemd unit (127.0.0.1:8410, dynamic user)
# `cpack` in the build folder writes vorbel_<version>_amd64.deb and vorbel-service_<version>_amd64.deb.
include(GNUInstallDirs)

# The packages install under /usr; the unit names the service's path there.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(VORBEL_INSTALLED_BINDIR ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR})

if(VORBEL_STORE_IN_CURRENT_FOLDER)
  message(FATAL_ERROR "The packages keep the database in the user's data folder: "
                      "configure with -DVORBEL_STORE_IN_CURRENT_FOLDER=OFF")
endif()

# The desktop and AppStream id of the client (lower case, as AppStream asks).
set(VORBEL_APP_ID org.vorbel.vorbel)
set(VORBEL_PACKAGE_MAINTAINER "Vorbel developers <packaging@vorbel.invalid>" CACHE STRING
    "Maintainer field of the packages")
set(VORBEL_RELEASE_DATE "2026-12-09" CACHE STRING "Release date in the metainfo and man pages")

set(packaging ${PROJECT_SOURCE_DIR}/resources/packaging)
set(generated ${PROJECT_BINARY_DIR}/packaging)
configure_file(${packaging}/vorbel.desktop.in ${generated}/${VORBEL_APP_ID}.desktop @ONLY)
configure_file(${packaging}/vorbel.metainfo.xml.in ${generated}/${VORBEL_APP_ID}.metainfo.xml @ONLY)
configure_file(${packaging}/service/vorbel-service.service.in ${generated}/vorbel-service.service @ONLY)

# Debian wants the man pages compressed, without a time stamp in the gzip header.
set(man_pages "")
foreach(page vorbel vorbel-service)
  configure_file(${packaging}/${page}.1.in ${generated}/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${generated}/${page}.1.gz
    COMMAND gzip -9 -n -c ${generated}/${page}.1 > ${generated}/${page}.1.gz
    DEPENDS ${generated}/${page}.1
    COMMENT "Compressing the ${page} man page")
  list(APPEND man_pages ${generated}/${page}.1.gz)
endforeach()
add_custom_target(vorbel_man_pages ALL DEPENDS ${man_pages})

# The client. The skin goes into the data folder, where the window looks when none lies beside it.
install(TARGETS vorbel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT client)
install(FILES ${PROJECT_SOURCE_DIR}/resources/vorbel.sui DESTINATION ${CMAKE_INSTALL_DATADIR}/vorbel
        COMPONENT client)
install(FILES ${generated}/${VORBEL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT client)
install(FILES ${generated}/${VORBEL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        COMPONENT client)
foreach(size 16 32 48 64 128 256)
  install(FILES ${packaging}/icons/${size}x${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${VORBEL_APP_ID}.png COMPONENT client)
endforeach()
install(FILES ${generated}/vorbel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT client)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vorbel RENAME copyright
        COMPONENT client)

# The service and its unit.
install(TARGETS vorbel-service RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT service)
install(FILES ${generated}/vorbel-service.service DESTINATION lib/systemd/system COMPONENT service)
install(FILES ${generated}/vorbel-service.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT service)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vorbel-service
        RENAME copyright COMPONENT service)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorbel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${VORBEL_PACKAGE_MAINTAINER}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL client service)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VORBEL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# The client depends on its service package of the same version (CPack writes "vorbel-service (= 1.0)").
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_CLIENT_DEPENDS service)

set(CPACK_DEBIAN_CLIENT_PACKAGE_NAME vorbel)
set(CPACK_DEBIAN_CLIENT_PACKAGE_SECTION net)
set(CPACK_DEBIAN_CLIENT_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk, xdg-utils")
set(CPACK_DEBIAN_CLIENT_DESCRIPTION "price comparison of Chinese online shops
Vorbel asks the Vorbel search service for the offers of seven online shops
for a product name or model and shows them in one grid that filters by shop
and sorts by price or popularity. Favourites and price-drop notices are kept
on the service.")

set(CPACK_DEBIAN_SERVICE_PACKAGE_NAME vorbel-service)
set(CPACK_DEBIAN_SERVICE_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SERVICE_PACKAGE_CONTROL_EXTRA
    ${packaging}/service/postinst ${packaging}/service/prerm ${packaging}/service/postrm)
set(CPACK_DEBIAN_SERVICE_DESCRIPTION "search service for the Vorbel price comparison client
The reference Vorbel search service: result pages, pictures, favourites and
the update host, run by systemd on 127.0.0.1:8410 under a dynamic user with
its favourites in /var/lib/vorbel-service.")

include(CPack)
