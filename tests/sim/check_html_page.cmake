cmake_minimum_required(VERSION 3.25)
# The run as a page, opened in a real browser (headless Chromium): the page must load without a
# console message, and what the browser laid out must match the text report and the trace: one
# band per weather phase, one marker per scenario event in its frame, and where the report says
# the peds settled, every ped not exempt at the values the plugin works towards. A screenshot of
# the page is left beside it for people to look at.
# With FRAMES, a long run of that many frames instead (no trace): each lane drawn from the frames
# of each pixel column, so the weather lane is covered, the native calls are drawn, the "no native
# call" lane inks the share of frames without one, and the markers count every event. The page's
# size and the browser's time are printed, not checked.
#   -DSIM=<veltrane-sim.exe> -DEMULATOR=<runner> -DSCENARIO=<json> -DWORK_DIR=<scratch> [-DFRAMES=<n>]

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
find_program(CHROMIUM NAMES chromium chromium-browser)
if(NOT CHROMIUM)
    message(FATAL_ERROR "chromium is missing: run scripts/install-deps.sh")
endif()

set(page ${WORK_DIR}/page.html)
if(FRAMES)
    set(run_options --frames ${FRAMES})
else()
    set(run_options --trace ${WORK_DIR}/trace.jsonl)
endif()
execute_process(COMMAND ${EMULATOR} ${SIM} ${SCENARIO} --game-dir ${WORK_DIR}/game ${run_options} --html ${page}
                OUTPUT_VARIABLE report ERROR_VARIABLE err RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "veltrane-sim exited with ${status}\n${err}")
endif()
file(WRITE ${WORK_DIR}/report.txt "${report}")

# Offline and as root in a container: no sandbox, no GPU, nothing fetched in the background,
# a profile of its own for each start.
function(chromium profile)
    execute_process(COMMAND ${CHROMIUM} --headless --no-sandbox --disable-gpu --disable-quic --no-first-run
                            --disable-background-networking --disable-component-update --disable-sync
                            --user-data-dir=${WORK_DIR}/${profile} ${ARGN} file://${page}
                    OUTPUT_VARIABLE out ERROR_VARIABLE log RESULT_VARIABLE result TIMEOUT 90)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "chromium ${ARGN} exited with ${result}\n${log}")
    endif()
    set(out "${out}" PARENT_SCOPE)
    set(log "${log}" PARENT_SCOPE)
endfunction()

string(TIMESTAMP started "%s")
chromium(profile-dom --enable-logging=stderr --dump-dom)
string(TIMESTAMP ended "%s")
math(EXPR seconds "${ended} - ${started}")
file(SIZE ${page} bytes)
set(dom "${out}")
file(WRITE ${WORK_DIR}/dom.html "${dom}")
string(REGEX MATCHALL "[^\n]*:CONSOLE[^\n]*" console "${log}")
if(console)
    message(FATAL_ERROR "the page wrote to the console:\n${console}")
endif()
get_filename_component(shot ${SCENARIO} NAME_WE)
set(shot ${WORK_DIR}/${shot}-scenario.png)
chromium(profile-shot --hide-scrollbars --window-size=1400,1500 --screenshot=${shot})
if(NOT EXISTS ${shot})
    message(FATAL_ERROR "no screenshot:\n${log}")
endif()
message("page: ${page}, ${bytes} bytes; loaded and laid out by headless Chromium in about ${seconds} s")

# What the page's own script counted of what the browser laid out inside the chart.
if(NOT dom MATCHES "<output id=\"page-check\"[^>]* data-bands=\"([0-9]+)\" data-markers=\"([0-9]+)\" data-listed=\"([0-9]+)\"")
    message(FATAL_ERROR "the page's script left no counts in #page-check (did it run?)")
endif()
set(bandsLaidOut ${CMAKE_MATCH_1})
set(markersLaidOut ${CMAKE_MATCH_2})
set(eventsListed ${CMAKE_MATCH_3})

if(FRAMES)
    foreach(lane mixed weather-ink calls-ink idle-ink)
        if(NOT dom MATCHES "<output id=\"page-check\"[^>]* data-${lane}=\"([0-9.]+)\"")
            message(FATAL_ERROR "the page's script left no ${lane} in #page-check")
        endif()
        string(MAKE_C_IDENTIFIER ${lane} name)
        set(${name} ${CMAKE_MATCH_1})
    endforeach()
    if(NOT report MATCHES "\nafter ([0-9]+) frame\\(s\\)")
        message(FATAL_ERROR "the report has no end state")
    endif()
    set(frames ${CMAKE_MATCH_1})
    if(NOT dom MATCHES "frames with none: ([0-9]+)")
        message(FATAL_ERROR "the page does not say how many frames had no native call")
    endif()
    math(EXPR idleShare "100 * ${CMAKE_MATCH_1} / ${frames}")
    # The markers stand for every event of the run, each column's events together.
    if(NOT dom MATCHES "<g id=\"markers\" data-events=\"([0-9]+)\"")
        message(FATAL_ERROR "the page does not say how many events the run had")
    endif()
    set(events ${CMAKE_MATCH_1})
    string(REGEX MATCHALL "class=\"marker[^\"]*\" [^>]*data-count=\"[0-9]+\"" markers "${dom}")
    set(marked 0)
    foreach(marker IN LISTS markers)
        string(REGEX MATCH "data-count=\"([0-9]+)\"" _ "${marker}")
        math(EXPR marked "${marked} + ${CMAKE_MATCH_1}")
    endforeach()
    message("${frames} frames: ${bandsLaidOut} weather bands and ${mixed} columns of several weathers; ink: weather "
            "${weather_ink} %, native calls ${calls_ink} %, no native call ${idle_ink} % (${idleShare} % of the "
            "frames had none); ${markersLaidOut} markers for ${events} events")
    # A column with any frame without a native call shows at least a sliver: up to 5 points more.
    math(EXPR idleMost "${idleShare} + 6")
    if(weather_ink LESS 99 OR NOT calls_ink GREATER 10 OR idle_ink LESS idleShare OR idle_ink GREATER idleMost
       OR NOT marked EQUAL events OR markersLaidOut EQUAL 0)
        message(FATAL_ERROR "a lane is not drawn as its frames were (see the figures above; ${marked} events marked)")
    endif()
    return()
endif()

# One band per weather phase of the text report (a phase: its heading and the indented lines;
# the report's semicolons would split CMake's lists).
string(REPLACE ";" "," report "${report}")
string(REGEX MATCHALL "\nframes? [0-9]+(-[0-9]+)?: [^\n]*\n(  [^\n]*\n)*" phases "${report}")
list(LENGTH phases phaseCount)
if(NOT phaseCount EQUAL bandsLaidOut OR phaseCount EQUAL 0)
    message(FATAL_ERROR "the report has ${phaseCount} weather phases, the page shows ${bandsLaidOut} bands")
endif()

# One marker per event of the trace, in the event's frame.
file(STRINGS ${WORK_DIR}/trace.jsonl events REGEX "^{\"frame\":[0-9]+,\"type\":\"event\"")
set(eventFrames "")
foreach(event IN LISTS events)
    string(REGEX MATCH "^{\"frame\":([0-9]+)" _ "${event}")
    list(APPEND eventFrames ${CMAKE_MATCH_1})
endforeach()
string(REGEX MATCHALL "<circle class=\"marker\" [^>]*data-frame=\"[0-9]+\"" markers "${dom}")
set(markerFrames "")
foreach(marker IN LISTS markers)
    string(REGEX MATCH "data-frame=\"([0-9]+)\"" _ "${marker}")
    list(APPEND markerFrames ${CMAKE_MATCH_1})
endforeach()
list(LENGTH eventFrames eventCount)
if(NOT eventFrames STREQUAL markerFrames OR NOT eventCount EQUAL markersLaidOut OR NOT eventCount EQUAL eventsListed)
    message(FATAL_ERROR "the trace's events are in frames ${eventFrames}; the page's markers in ${markerFrames} "
                        "(${markersLaidOut} laid out, ${eventsListed} listed)")
endif()

# Where the report says a burst of changes ended, every ped not exempt holds the damage modifier and
# the accuracy the plugin works towards (unless it leaves the accuracy alone). A burst of two or
# more frames had not got there after its first frame: the accuracy comes a frame after the
# damage modifier.
function(shares frame)
    if(NOT dom MATCHES "<rect class=\"frame\" data-frame=\"${frame}\" data-last=\"${frame}\" [^>]*data-damage-share=\"([^\"]*)\" data-accuracy-share=\"([^\"]*)\"")
        message(FATAL_ERROR "the page has no column for frame ${frame}")
    endif()
    set(damage ${CMAKE_MATCH_1} PARENT_SCOPE)
    set(accuracy ${CMAKE_MATCH_2} PARENT_SCOPE)
endfunction()
set(settledSeen 0)
foreach(phase IN LISTS phases)
    # The accuracy may be left alone only in a phase whose file asks for that.
    string(FIND "${phase}" "accuracy left alone" leftAloneAsked)
    string(REGEX MATCHALL "after [0-9]+ frame\\(s\\) from frame [0-9]+" bursts "${phase}")
    foreach(burst IN LISTS bursts)
        math(EXPR settledSeen "${settledSeen} + 1")
        string(REGEX MATCH "after ([0-9]+) frame\\(s\\) from frame ([0-9]+)" _ "${burst}")
        set(length ${CMAKE_MATCH_1})
        set(first ${CMAKE_MATCH_2})
        math(EXPR last "${first} + ${length} - 1")
        shares(${last})
        if(NOT damage STREQUAL "100" OR NOT (accuracy STREQUAL "100" OR (accuracy STREQUAL "left alone" AND leftAloneAsked GREATER -1)))
            message(FATAL_ERROR "settled ${burst}, yet in frame ${last} the page shows damage modifier ${damage} %, accuracy ${accuracy}")
        endif()
        if(length GREATER 1)
            shares(${first})
            if(damage STREQUAL "100" AND accuracy STREQUAL "100")
                message(FATAL_ERROR "${burst}: the page shows every ped at the values already in frame ${first}")
            endif()
        endif()
    endforeach()
endforeach()
if(settledSeen EQUAL 0)
    message(FATAL_ERROR "the report shows no settling")
endif()
message("screenshot: ${shot}")
