cmake_minimum_required(VERSION 3.25)
# The reload soak: plays reload_soak.json (the plugin unloaded and loaded again 200 times in one
# game, with frames, keystrokes and an edit between) and reads the figures the game took after
# each load (--resources). From the 10th load to the last nothing a process has only so many of
# may grow: the TLS index and the next handle stay put, the heaps' bytes in use grow by at most
# 2 KiB in all, private bytes and the working set by at most 1 MiB; and every load starts with
# the bytes the plugin changed back at their first-load values.
#   -DSIM=<veltrane-sim.exe> -DEMULATOR=<runner> -DSCENARIO=<reload_soak.json> -DWORK_DIR=<scratch>
include(${CMAKE_CURRENT_LIST_DIR}/../support/run_and_match.cmake)

fresh_directory(${WORK_DIR})
set(figures ${WORK_DIR}/resources.csv)
run_checked(veltrane-sim out ${EMULATOR} ${SIM} ${SCENARIO} --summary --game-dir ${WORK_DIR}/game --resources ${figures})
message("${out}")
expect_match("${out}" "problems: Veltrane.ini changed by the plugin 0, peds written twice in a frame 0, exempt peds touched 0\n"
             "problems counted (see the summary above)")

file(STRINGS ${figures} rows)
list(POP_FRONT rows header)
string(REPLACE "," ";" columns "${header}")
list(LENGTH rows loads)
if(NOT loads EQUAL 201)
    message(FATAL_ERROR "expected the start and 200 loads in ${figures}, found ${loads} rows")
endif()
foreach(row IN LISTS rows)
    string(REPLACE "," ";" values "${row}")
    list(GET values -1 kept)
    if(NOT kept EQUAL 0)
        message(FATAL_ERROR "a load began with ${kept} bytes of the plugin's state not as at its first load: ${row}")
    endif()
endforeach()

list(GET rows 10 first)
list(GET rows -1 last)
string(REPLACE "," ";" first "${first}")
string(REPLACE "," ";" last "${last}")
set(failures "")
set(checked process_tls_index process_next_handle process_heap_bytes process_private_bytes process_working_set)
set(limits 0 0 2048 1048576 1048576)
foreach(figure limit IN ZIP_LISTS checked limits)
    list(FIND columns ${figure} at)
    if(at LESS 0)
        message(FATAL_ERROR "no column ${figure} in ${figures}")
    endif()
    list(GET first ${at} before)
    list(GET last ${at} after)
    math(EXPR growth "${after} - ${before}")
    message("${figure}: ${before} after load 10, ${after} after load 200 (${growth})")
    if(growth GREATER limit)
        string(APPEND failures "${figure} grew by ${growth} from load 10 to load 200 (at most ${limit})\n")
    endif()
endforeach()
if(failures)
    message(FATAL_ERROR "${failures}")
endif()
