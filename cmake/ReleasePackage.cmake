# The release package players download, build/windows/Veltrane-<version>.zip: the plugin, the
# doctor, the player README, the list of changes and the licence, flat. Two builds of one commit give the same
# bytes: the binaries carry no PE timestamp, and cmake/make-release-zip.sh fixes every time,
# permission and the order of the entries.

find_program(VELTRANE_ZIP zip)
if(NOT VELTRANE_ZIP)
    message(FATAL_ERROR "zip is missing (the release package). Run scripts/install-deps.sh, or: apt-get install zip")
endif()

# Text files with Windows line ends, so any editor on the player's machine shows them right.
set(package_text ${PROJECT_BINARY_DIR}/package-text)
configure_file(${PROJECT_SOURCE_DIR}/docs/PLAYER-README.txt ${package_text}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${package_text}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/docs/CHANGES.txt ${package_text}/CHANGES.txt @ONLY NEWLINE_STYLE CRLF)

set(VELTRANE_PACKAGE ${PROJECT_BINARY_DIR}/Veltrane-${PROJECT_VERSION}.zip)
add_custom_command(
    OUTPUT ${VELTRANE_PACKAGE}
    COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/make-release-zip.sh ${VELTRANE_ZIP} ${VELTRANE_PACKAGE}
            $<TARGET_FILE:veltrane_asi> $<TARGET_FILE:veltrane_doctor> ${package_text}/README.txt ${package_text}/LICENSE.txt
            ${package_text}/CHANGES.txt
    DEPENDS veltrane_asi veltrane_doctor ${package_text}/README.txt ${package_text}/LICENSE.txt ${package_text}/CHANGES.txt
            ${PROJECT_SOURCE_DIR}/cmake/make-release-zip.sh
    COMMENT "Release package Veltrane-${PROJECT_VERSION}.zip"
    VERBATIM)
add_custom_target(veltrane_package ALL DEPENDS ${VELTRANE_PACKAGE})
