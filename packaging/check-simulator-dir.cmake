# Run by CPack before it builds the package: the program must have been built to run the
# simulator that the package installs.
if(NOT CPACK_KALVORA_SIMULATOR_DIR STREQUAL CPACK_KALVORA_EXPECTED_SIMULATOR_DIR)
    message(FATAL_ERROR "The program was built with KALVORA_SIMULATOR_DIR="
        "${CPACK_KALVORA_SIMULATOR_DIR}, but the package installs the simulator in "
        "${CPACK_KALVORA_EXPECTED_SIMULATOR_DIR}. Build the package with scripts/package.")
endif()
