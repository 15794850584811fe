cmake_minimum_required(VERSION 3.25)
# The soak: plays sim/scenarios/soak.json (100,000 frames of random weather, peds and edits to
# Veltrane.ini) with the real plugin, totals only, and checks the summary: every frame played,
# no problem counted (above all, the file never changed while the plugin ran, except to be
# created after the scenario deleted it), and the working set after frame 100,000 at most
# 1 MiB above the one after frame 10,000.
#   -DSIM=<veltrane-sim.exe> -DEMULATOR=<runner> -DSCENARIO=<soak.json> -DWORK_DIR=<scratch>
#   [-DFRAMES=<frames to play instead of the scenario's>]
include(${CMAKE_CURRENT_LIST_DIR}/../support/run_and_match.cmake)

fresh_directory(${WORK_DIR})
set(frame_option "")
set(want_frames 100000)
if(FRAMES)
    set(frame_option --frames ${FRAMES})
    set(want_frames ${FRAMES})
endif()
run_checked(veltrane-sim out ${EMULATOR} ${SIM} ${SCENARIO} --summary --working-set-every 10000 ${frame_option}
                             --game-dir ${WORK_DIR}/game)
file(WRITE ${WORK_DIR}/summary.txt "${out}")
message("${out}")

expect_match("${out}" "frames played: ${want_frames} " "not every frame was played")
expect_match("${out}" "problems: Veltrane.ini changed by the plugin 0, peds written twice in a frame 0, exempt peds touched 0\n"
             "problems counted (see the summary above)")
string(REGEX MATCH "working set after frame 10000: ([0-9]+) bytes" _ "${out}")
set(first ${CMAKE_MATCH_1})
string(REGEX MATCH "working set after frame ${want_frames}: ([0-9]+) bytes" _ "${out}")
set(last ${CMAKE_MATCH_1})
if(first STREQUAL "" OR last STREQUAL "" OR first EQUAL 0)
    message(FATAL_ERROR "no working set measured after frames 10000 and ${want_frames}")
endif()
math(EXPR growth "${last} - ${first}")
message("working set growth from frame 10000 to frame ${want_frames}: ${growth} bytes")
if(growth GREATER 1048576)
    message(FATAL_ERROR "the working set grew by ${growth} bytes, more than 1 MiB")
endif()
