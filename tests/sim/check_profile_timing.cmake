cmake_minimum_required(VERSION 3.25)
# --profile-timing in a short run of each timing scenario: the report must hold every part of
# the split, with the calls that each part counts (three profile reads and one existence query
# a frame reach the timing wrappers; every ped is written in each frame of the changing world).
# The times themselves are not checked: only that the slice was measured at all.
#   -DSIM=<veltrane-sim.exe> -DEMULATOR=<runner> -DSCENARIOS=<sim/scenarios> -DWORK_DIR=<scratch>

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

foreach(run settled churn)
    execute_process(COMMAND ${EMULATOR} ${SIM} ${SCENARIOS}/perf-${run}.json --profile-timing --frames 40
                            --game-dir ${WORK_DIR}/${run}
                    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
    message("${out}")
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "veltrane-sim exited with ${status} on perf-${run}.json\n${err}")
    endif()
    if(run STREQUAL "settled")
        set(writes 0)
    else()
        set(writes 1024)
    endif()
    foreach(expected
            "frames timed: 30 \\(frames 10-39; the first 10 are warm-up\\)"
            "per frame \\(median\\): 1024 peds, 3073 native calls, ${writes} ped writes"
            "\nplugin's slice \\(scriptMain between scriptWait calls\\) +[0-9.]+ "
            "\n  kernel32 profile reads \\(3 per frame\\) +[0-9.]+ "
            "\n  kernel32 profile writes \\(0 per frame\\) +[0-9.]+ "
            "\n  existence query, GetFileAttributesA \\(1 per frame\\) +[0-9.]+ "
            "\n  the rest +-?[0-9.]+ "
            "\n    natives, host and game side \\(replayed\\) +[0-9.]+ "
            "\n    the plugin's own code +-?[0-9.]+ "
            "one frame's calls, replayed by the host alone after each timed frame \\(30 times\\)")
        if(NOT out MATCHES "${expected}")
            message(FATAL_ERROR "perf-${run}.json: the timing report lacks \"${expected}\"")
        endif()
    endforeach()
    if(out MATCHES "\nplugin's slice \\(scriptMain between scriptWait calls\\) +0\\.0 ")
        message(FATAL_ERROR "perf-${run}.json: no time measured for the plugin's slice")
    endif()
endforeach()
