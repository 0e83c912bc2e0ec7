# The Debian package, built by CPack from the install rules (scripts/package):
#   build-package/package/kalvora-upgrade_<version>_amd64.deb
set(KALVORA_PACKAGE_MAINTAINER "Kalvora Firmware Team <firmware@kalvora.example>" CACHE STRING
    "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kalvora-upgrade)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Kalvora)
set(CPACK_PACKAGE_CONTACT ${KALVORA_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware upgrade tool for the Kalvora Rel-41 lamp")
set(CPACK_PACKAGE_DESCRIPTION
"Guides the owner of a Kalvora Rel-41 through starting the lamp in its USB
bootloader, finds the connected device, checks that it is a Rel-41 whose
firmware revision differs from the firmware the tool carries, installs that
firmware at the click of a button and reads the whole image back to verify
it byte for byte.

The package installs a udev rule that gives the user at the seat access to
the bootloader device (USB 0483:df11) without root, and a simulator that
runs the whole upgrade without a lamp (kalvora-upgrade -s).")
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES TRUE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The carried libusb, extracted and loaded by the carried dfu-util at run time, needs
# libudev; shlibdeps cannot see that inside the program's resources.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libudev1")
# The window in Japanese needs a font with Japanese glyphs (the carried ones have none), and
# Qt's own dialogs their translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic | fonts-noto-cjk, qttranslations5-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${KALVORA_PACKAGING_DIR}/debian/postinst ${KALVORA_PACKAGING_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

# A package whose program looks for the simulator anywhere but in the package is refused.
set(CPACK_KALVORA_SIMULATOR_DIR ${KALVORA_SIMULATOR_DIR})
set(CPACK_KALVORA_EXPECTED_SIMULATOR_DIR
    ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/kalvora-upgrade/simulator)
set(CPACK_PRE_BUILD_SCRIPTS ${KALVORA_PACKAGING_DIR}/check-simulator-dir.cmake)

include(CPack)
