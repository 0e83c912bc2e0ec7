# Install rules for a Linux desktop: the program, the simulator, the udev rule, the desktop
# entry with its icon and AppStream metadata, and the manual page.
#
#   cmake --install build --prefix /usr     (DESTDIR is honoured)
#
# The program finds the simulator through KALVORA_SIMULATOR_DIR, which is compiled in: a build
# meant for installing points it at KALVORA_INSTALLED_SIMULATOR_DIR (scripts/package does).
include(GNUInstallDirs)

set(KALVORA_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(KALVORA_APP_ID com.kalvora.firmware_upgrade)
set(KALVORA_DATA_SUBDIR ${CMAKE_INSTALL_DATADIR}/kalvora-upgrade)
set(KALVORA_INSTALLED_SIMULATOR_DIR ${CMAKE_INSTALL_FULL_DATADIR}/kalvora-upgrade/simulator)
# Not GNUInstallDirs' LIBDIR: udev reads lib/udev/rules.d below /usr and /usr/local only.
set(KALVORA_UDEV_RULES_DIR lib/udev/rules.d CACHE STRING
    "Where the udev rule is installed, relative to the install prefix")
set(KALVORA_UDEV_RULES_FULL_DIR ${CMAKE_INSTALL_PREFIX}/${KALVORA_UDEV_RULES_DIR})

if(NOT KALVORA_SIMULATOR_DIR STREQUAL KALVORA_INSTALLED_SIMULATOR_DIR)
    message(STATUS "The installed program would run the simulator in ${KALVORA_SIMULATOR_DIR}, "
        "not in ${KALVORA_INSTALLED_SIMULATOR_DIR}")
endif()

# --- manual page: the release date comes from the AppStream release entry, the list of
# simulator configurations from the first comment line of each configuration file.
file(READ ${KALVORA_PACKAGING_DIR}/${KALVORA_APP_ID}.metainfo.xml kalvora_metainfo)
string(REGEX MATCH "<release version=\"[^\"]*\" date=\"([0-9-]+)\"" _ "${kalvora_metainfo}")
set(KALVORA_RELEASE_DATE ${CMAKE_MATCH_1})

file(GLOB kalvora_sim_configs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/simulator/configs/*.conf)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${kalvora_sim_configs})
set(KALVORA_MAN_SIM_CONFIGS "")
foreach(conf IN LISTS kalvora_sim_configs)
    get_filename_component(name ${conf} NAME_WE)
    file(STRINGS ${conf} comment LIMIT_COUNT 1 REGEX "^#")
    string(REGEX REPLACE "^#[ ]*" "" comment "${comment}")
    string(REPLACE "\\" "\\e" comment "${comment}")
    string(REPLACE "-" "\\-" name_roff "${name}")
    string(APPEND KALVORA_MAN_SIM_CONFIGS ".TP\n.B ${name_roff}\n${comment}\n")
endforeach()
string(REGEX REPLACE "\n$" "" KALVORA_MAN_SIM_CONFIGS "${KALVORA_MAN_SIM_CONFIGS}")

set(KALVORA_PACKAGING_BUILD_DIR ${CMAKE_BINARY_DIR}/packaging)
# Debian wants manual pages and changelogs compressed, without a time stamp (-n) so that
# builds are reproducible.
find_program(KALVORA_GZIP gzip REQUIRED)
foreach(page kalvora-upgrade kalvora-upgrade-cli)
    configure_file(${KALVORA_PACKAGING_DIR}/${page}.1.in
        ${KALVORA_PACKAGING_BUILD_DIR}/${page}.1 @ONLY)
    add_custom_command(OUTPUT ${KALVORA_PACKAGING_BUILD_DIR}/${page}.1.gz
        COMMAND ${KALVORA_GZIP} -9nkf ${KALVORA_PACKAGING_BUILD_DIR}/${page}.1
        DEPENDS ${KALVORA_PACKAGING_BUILD_DIR}/${page}.1 VERBATIM)
endforeach()
set(kalvora_generated
    ${KALVORA_PACKAGING_BUILD_DIR}/kalvora-upgrade.1.gz
    ${KALVORA_PACKAGING_BUILD_DIR}/kalvora-upgrade-cli.1.gz
    ${KALVORA_PACKAGING_BUILD_DIR}/changelog.gz)
add_custom_command(OUTPUT ${KALVORA_PACKAGING_BUILD_DIR}/changelog.gz
    COMMAND ${KALVORA_GZIP} -9n -c ${KALVORA_PACKAGING_DIR}/changelog
        > ${KALVORA_PACKAGING_BUILD_DIR}/changelog.gz
    DEPENDS ${KALVORA_PACKAGING_DIR}/changelog)

# --- icon: the SVG, and PNGs for menus and software centres that do not draw SVG.
set(KALVORA_ICON_SIZES 48 64 128 256)
find_program(KALVORA_RSVG_CONVERT rsvg-convert)
if(KALVORA_RSVG_CONVERT)
    foreach(size IN LISTS KALVORA_ICON_SIZES)
        set(png ${KALVORA_PACKAGING_BUILD_DIR}/icons/${size}x${size}/kalvora-upgrade.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${KALVORA_PACKAGING_BUILD_DIR}/icons/${size}x${size}
            COMMAND ${KALVORA_RSVG_CONVERT} -w ${size} -h ${size}
                -o ${png} ${KALVORA_PACKAGING_DIR}/kalvora-upgrade.svg
            DEPENDS ${KALVORA_PACKAGING_DIR}/kalvora-upgrade.svg VERBATIM)
        list(APPEND kalvora_generated ${png})
        install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
else()
    message(WARNING "rsvg-convert (Debian package librsvg2-bin) not found: only the SVG icon "
        "will be installed")
endif()
add_custom_target(kalvora_packaging_files ALL DEPENDS ${kalvora_generated})

# --- install rules
install(TARGETS kalvora-upgrade kalvora-upgrade-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Everything in simulator/ is data except the script, which the program starts directly.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/simulator/ DESTINATION ${KALVORA_DATA_SUBDIR}/simulator
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
    DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
        WORLD_READ WORLD_EXECUTE
    PATTERN dfu-util_simulator.sh PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
        GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(FILES ${KALVORA_PACKAGING_DIR}/70-kalvora-upgrade.rules DESTINATION ${KALVORA_UDEV_RULES_DIR})
install(FILES ${KALVORA_PACKAGING_DIR}/${KALVORA_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KALVORA_PACKAGING_DIR}/${KALVORA_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${KALVORA_PACKAGING_DIR}/kalvora-upgrade.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${KALVORA_PACKAGING_BUILD_DIR}/kalvora-upgrade.1.gz
    ${KALVORA_PACKAGING_BUILD_DIR}/kalvora-upgrade-cli.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KALVORA_PACKAGING_DIR}/copyright ${KALVORA_PACKAGING_BUILD_DIR}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kalvora-upgrade)
