# The release package players download, build/windows/Veltrane-<version>.zip: the plugin, the
# doctor for Windows and for Linux, the player README, the list of changes and the licence, flat.
# Two builds of one commit give the same bytes: the binaries carry no PE timestamp, build id or
# build path, and cmake/make-release-zip.sh fixes every time, permission and the order of the
# entries.

find_program(VELTRANE_ZIP zip)
if(NOT VELTRANE_ZIP)
    message(FATAL_ERROR "zip is missing (the release package). Run scripts/install-deps.sh, or: apt-get install zip")
endif()

# Text files with Windows line ends, so any editor on the player's machine shows them right.
set(package_text ${PROJECT_BINARY_DIR}/package-text)
configure_file(${PROJECT_SOURCE_DIR}/docs/PLAYER-README.txt ${package_text}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${package_text}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/docs/CHANGES.txt ${package_text}/CHANGES.txt @ONLY NEWLINE_STYLE CRLF)

# The Linux doctor, for players on Linux and the Steam Deck: the same sources built natively
# beside this cross build, static, so that it runs with nothing installed.
include(ExternalProject)
set(VELTRANE_LINUX_DOCTOR ${PROJECT_BINARY_DIR}/linux-doctor/veltrane-doctor)
ExternalProject_Add(veltrane_linux_doctor
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${PROJECT_BINARY_DIR}/linux-doctor
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DVELTRANE_DEVELOPER_MODE=OFF -DVELTRANE_STATIC_DOCTOR=ON
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target veltrane_doctor
    BUILD_BYPRODUCTS ${VELTRANE_LINUX_DOCTOR}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    USES_TERMINAL_BUILD ON)

set(VELTRANE_PACKAGE ${PROJECT_BINARY_DIR}/Veltrane-${PROJECT_VERSION}.zip)
add_custom_command(
    OUTPUT ${VELTRANE_PACKAGE}
    COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/make-release-zip.sh ${VELTRANE_ZIP} ${VELTRANE_PACKAGE}
            $<TARGET_FILE:veltrane_asi> $<TARGET_FILE:veltrane_doctor> ${VELTRANE_LINUX_DOCTOR} ${package_text}/README.txt
            ${package_text}/LICENSE.txt ${package_text}/CHANGES.txt
    DEPENDS veltrane_asi veltrane_doctor veltrane_linux_doctor ${VELTRANE_LINUX_DOCTOR} ${package_text}/README.txt ${package_text}/LICENSE.txt ${package_text}/CHANGES.txt
            ${PROJECT_SOURCE_DIR}/cmake/make-release-zip.sh
    COMMENT "Release package Veltrane-${PROJECT_VERSION}.zip"
    VERBATIM)
add_custom_target(veltrane_package ALL DEPENDS ${VELTRANE_PACKAGE})
