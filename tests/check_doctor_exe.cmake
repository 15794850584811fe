cmake_minimum_required(VERSION 3.25)
# The doctor as players run it (under Wine for the Windows build), with no input to wait for:
# its exit statuses, --write-defaults on a missing file, and a game folder named in letters
# outside the ANSI code page, given by its full path.
#   -DDOCTOR=<executable> -DEMULATOR=<runner or empty> -DWORK_DIR=<scratch directory>
#   -DDEFAULT_ENTRIES=<entries in the default file>

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

function(run_doctor expected_status)
    execute_process(COMMAND ${EMULATOR} ${DOCTOR} ${ARGN} WORKING_DIRECTORY ${WORK_DIR} INPUT_FILE /dev/null
                    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status TIMEOUT 120)
    if(NOT status STREQUAL "${expected_status}")
        message(FATAL_ERROR "veltrane-doctor ${ARGN}: exit ${status}, want ${expected_status}\n${out}${err}")
    endif()
endfunction()

run_doctor(1 --quiet)
if(EXISTS ${WORK_DIR}/Veltrane.ini)
    message(FATAL_ERROR "the doctor wrote a settings file without --write-defaults")
endif()

run_doctor(0 --write-defaults Veltrane.ini)
file(READ ${WORK_DIR}/Veltrane.ini defaults)
string(REGEX MATCHALL "=" entries "${defaults}")
list(LENGTH entries count)
if(NOT count EQUAL DEFAULT_ENTRIES)
    message(FATAL_ERROR "--write-defaults wrote ${count} entries, want ${DEFAULT_ENTRIES}:\n${defaults}")
endif()

# The command line arrives as Unicode; the file is reached from its folder, as the plugin does.
set(game "${WORK_DIR}/Игры/Red Dead Redemption 2")
file(MAKE_DIRECTORY "${game}")
run_doctor(0 --quiet --write-defaults "${game}/Veltrane.ini")
if(NOT EXISTS "${game}/Veltrane.ini")
    message(FATAL_ERROR "--write-defaults wrote nothing into ${game}")
endif()
if(EMULATOR)
    # As a Windows path too: Wine's drive Z: is the Unix root.
    string(REPLACE "/" "\\" windows_path "Z:${game}/Veltrane.ini")
    run_doctor(0 --quiet "${windows_path}")
endif()
file(WRITE "${game}/Veltrane.ini" "[Settings]\r\nEnabled=on\r\n")
run_doctor(1 --quiet "${game}/Veltrane.ini")

file(REMOVE ${WORK_DIR}/Veltrane.ini)
file(MAKE_DIRECTORY ${WORK_DIR}/Veltrane.ini)
run_doctor(2)
file(REMOVE_RECURSE ${WORK_DIR})
