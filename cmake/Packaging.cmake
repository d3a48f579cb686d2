# The Debian package: `cpack -G DEB` (or the "package" target) makes
# sumirel_<version>_amd64.deb. The package always installs below /usr; a build configured
# with CMAKE_INSTALL_PREFIX=/usr, as the release preset is, also puts the library in the
# multiarch folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sumirel)
set(CPACK_PACKAGE_VENDOR "The Sumirel developers")
set(CPACK_PACKAGE_CONTACT "The Sumirel developers <support@sumirel.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://sumirel.example/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keep a diary on a personal web site")
set(CPACK_PACKAGE_DESCRIPTION
    "Sumirel puts a diary entry on top of a plain-text diary file, regenerates the diary
page from an HTML template, copies the newest entry into marked sections of other pages
and uploads the pages over FTP. Japanese interface, Shift-JIS files. sumirel-cli runs
the same commands without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME sumirel)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The designer plugin links the controls library of this same package.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# The upload dials through NetworkManager's command when the settings ask for it.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "network-manager")

include(CPack)
