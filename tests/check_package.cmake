cmake_minimum_required(VERSION 3.25)
# The release package: exactly its six files, the project version in the Windows binaries'
# version resources, a Linux doctor that runs with nothing installed, and the same bytes from a
# second, fresh build of the same sources.
#   -DPACKAGE=<zip> -DVERSION=<x.y.z> -DSOURCE_DIR=<repo> -DREBUILD_DIR=<scratch build tree>
#   -DTOOLCHAIN=<file> -DBUILD_TYPE=<the first build's> -DUNZIP=<unzip> -DSTRINGS=<mingw strings>
#   -DREADELF=<readelf>

include(${CMAKE_CURRENT_LIST_DIR}/support/run_and_match.cmake)

run_or_fail("can't list ${PACKAGE}" COMMAND ${UNZIP} -Z1 ${PACKAGE} OUTPUT_VARIABLE listing)
string(STRIP "${listing}" listing)
string(REPLACE "\n" ";" names "${listing}")
set(expected CHANGES.txt LICENSE.txt README.txt Veltrane.asi veltrane-doctor veltrane-doctor.exe)
if(NOT names STREQUAL expected)
    message(FATAL_ERROR "package holds: ${names}\n          want: ${expected}")
endif()
message(STATUS "package holds ${names}")

set(unpacked ${REBUILD_DIR}/unpacked)
fresh_directory(${unpacked})
run_or_fail("can't unpack ${PACKAGE}" COMMAND ${UNZIP} -q ${PACKAGE} -d ${unpacked})
foreach(binary Veltrane.asi veltrane-doctor.exe)
    execute_process(COMMAND ${STRINGS} -el ${unpacked}/${binary} OUTPUT_VARIABLE wide_text)
    string(REPLACE "\n" ";" wide_strings "${wide_text}")
    foreach(wanted "FileVersion" "${VERSION}" "${binary}")
        if(NOT wanted IN_LIST wide_strings)
            message(FATAL_ERROR "${binary}: no \"${wanted}\" in its version resource")
        endif()
    endforeach()
endforeach()
# The Linux doctor: an x86-64 program players can run (its execute bit kept in the zip), linked
# statically (no program interpreter, no dynamic section: no library of the player's machine
# needed), that says its version.
run_or_fail("can't list ${PACKAGE} in detail" COMMAND ${UNZIP} -Z ${PACKAGE} veltrane-doctor OUTPUT_VARIABLE entry)
expect_match("${entry}" "^-rwxr-xr-x" "veltrane-doctor is not executable in the zip: ${entry}")
set(linux_doctor ${unpacked}/veltrane-doctor)
run_or_fail("readelf can't read veltrane-doctor" COMMAND ${READELF} -h -l -d ${linux_doctor} OUTPUT_VARIABLE elf)
expect_match("${elf}" "Machine: +Advanced Micro Devices X86-64" "veltrane-doctor is not an x86-64 program")
if(elf MATCHES "INTERP|NEEDED")
    message(FATAL_ERROR "veltrane-doctor needs a program interpreter or libraries:\n${elf}")
endif()
expect_match("${elf}" "There is no dynamic section" "veltrane-doctor is linked dynamically")
run_or_fail("veltrane-doctor --version failed" COMMAND ${linux_doctor} --version OUTPUT_VARIABLE said)
expect_match("${said}" "${VERSION}" "veltrane-doctor --version says ${said}")
message(STATUS "veltrane-doctor for Linux: static x86-64, executable, version ${VERSION}")

file(READ ${unpacked}/README.txt readme)
foreach(wanted "Veltrane ${VERSION}" "ScriptHookRDR2.dll" "12829" "veltrane-doctor" "Uninstall" "It does nothing")
    string(FIND "${readme}" "${wanted}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "README.txt lacks \"${wanted}\"")
    endif()
endforeach()
# Windows line ends, for any editor a player opens it with.
file(READ ${unpacked}/README.txt head_hex LIMIT 64 HEX)
expect_match("${head_hex}" "0d0a" "README.txt does not have Windows line ends")
# The list of changes starts with this version's.
file(READ ${unpacked}/CHANGES.txt changes)
string(REGEX MATCH "\n([0-9]+\\.[0-9]+\\.[0-9]+)[^\n]*\n---" first_version "${changes}")
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
    message(FATAL_ERROR "CHANGES.txt does not start with ${VERSION} (its first version: ${CMAKE_MATCH_1})")
endif()
message(STATUS "version ${VERSION} in both binaries, the README and the list of changes")

# A second build from scratch, in another directory, must give the same bytes.
set(tree ${REBUILD_DIR}/tree)
file(REMOVE_RECURSE ${tree})
run_or_fail("configuring the second build failed"
            COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${tree} -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}
                    -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DVELTRANE_BUILD_TESTS=OFF
            OUTPUT_QUIET)
# As many jobs as the scripts run: the cores this process may use (nproc), not all the host has.
execute_process(COMMAND nproc OUTPUT_VARIABLE jobs OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    set(jobs 2)
endif()
run_or_fail("the second build failed"
            COMMAND ${CMAKE_COMMAND} --build ${tree} --target veltrane_package -j ${jobs} OUTPUT_QUIET)
get_filename_component(name ${PACKAGE} NAME)
run_or_fail("two builds of the same sources gave different packages: ${PACKAGE} and ${tree}/${name}"
            COMMAND ${CMAKE_COMMAND} -E compare_files ${PACKAGE} ${tree}/${name})
message(STATUS "a second build gave the same bytes")
file(REMOVE_RECURSE ${REBUILD_DIR})
