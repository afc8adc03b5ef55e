# Debian packages with CPack: `cpack -G DEB` in the build folder makes one package per component.
# Every install() rule names its component:
#   wirelark               the tray app, wirelark-cli and their desktop files
#   wirelark-admin-helper  the root helper, Wirelark Admin and the system files they need
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wirelark)
set(CPACK_PACKAGE_VENDOR "Quillfern")
set(CPACK_PACKAGE_CONTACT "Wirelark developers <wirelark@quillfern.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Network monitor for the system tray")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL wirelark wirelark-admin-helper)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_WIRELARK_PACKAGE_NAME wirelark)
set(CPACK_COMPONENT_WIRELARK_DESCRIPTION
    "Live network rates in the system tray, and the terminal front end wirelark-cli")
# Checks the signature of an admin helper package before the app hands it to an installer.
set(CPACK_DEBIAN_WIRELARK_PACKAGE_RECOMMENDS gpgv)
# Loaded with the first https request rather than linked, so the scan of linked libraries
# misses it.
set(CPACK_DEBIAN_WIRELARK_PACKAGE_DEPENDS "libssl3 | libssl3t64")

set(CPACK_DEBIAN_WIRELARK-ADMIN-HELPER_PACKAGE_NAME wirelark-admin-helper)
set(CPACK_DEBIAN_WIRELARK-ADMIN-HELPER_PACKAGE_DEPENDS "dbus, polkitd | policykit-1, network-manager")
set(CPACK_COMPONENT_WIRELARK-ADMIN-HELPER_DESCRIPTION
    "Root helper that lets a paired Wirelark switch connections, and Wirelark Admin")
# D-Bus and systemd pick up the newly installed policy, service and unit files.
set(CPACK_DEBIAN_WIRELARK-ADMIN-HELPER_PACKAGE_CONTROL_EXTRA
    "${PROJECT_SOURCE_DIR}/packaging/wirelark-admin-helper/postinst")
set(CPACK_DEBIAN_WIRELARK-ADMIN-HELPER_PACKAGE_CONTROL_STRICT_PERMISSION ON)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/wirelark-admin-helper/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME wirelark-admin-helper
        COMPONENT wirelark-admin-helper)

# Debian wants a copyright file and a compressed changelog in each package's doc folder.
set(compressedChangelog ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/packaging)
execute_process(COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog
                OUTPUT_FILE ${compressedChangelog} COMMAND_ERROR_IS_FATAL ANY)
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${compressedChangelog}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${component} COMPONENT ${component})
endforeach()

include(CPack)
