cmake_minimum_required(VERSION 3.25)
# The run as a page, opened in a real browser (headless Chromium): the page must load without a
# console message, and what the browser laid out must match the text report and the trace: one
# band per weather phase, each scenario event counted in a mark of its kind over its frame, and
# where the report says the peds settled, every ped not exempt at the values the plugin works
# towards. In both runs the weather key names each weather of the report once, in its bands'
# colour; each kind of event has a look of its own, the same at its row's name; a mark that folds
# several events shows their number; the calls' scale reads the most calls of any frame at the
# tallest bar; the frame axis labels the last frame. A screenshot of the page is left beside it
# for people to look at.
# With FRAMES, a long run of that many frames instead (no trace): each lane drawn from the frames
# of each pixel column, so the weather lane is covered, the native calls are drawn, the "no native
# call" lane inks the share of frames without one, and the marks count every event, some folded.
# The page's size and the browser's time are printed, not checked.
#   -DSIM=<veltrane-sim.exe> -DEMULATOR=<runner> -DSCENARIO=<json> -DWORK_DIR=<scratch> [-DFRAMES=<n>]

include(${CMAKE_CURRENT_LIST_DIR}/../support/run_and_match.cmake)

fresh_directory(${WORK_DIR})
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

# `out` set to the first group of `regex` in `text`; a failure names `what` is missing.
function(found out text regex what)
    if(NOT text MATCHES "${regex}")
        message(FATAL_ERROR "${what}")
    endif()
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

# What the page's own script counted of what the browser laid out inside the chart.
if(NOT dom MATCHES "<output id=\"page-check\"[^>]* data-bands=\"([0-9]+)\" data-markers=\"([0-9]+)\" data-listed=\"([0-9]+)\"")
    message(FATAL_ERROR "the page's script left no counts in #page-check (did it run?)")
endif()
set(bandsLaidOut ${CMAKE_MATCH_1})
set(markersLaidOut ${CMAKE_MATCH_2})
set(eventsListed ${CMAKE_MATCH_3})
foreach(figure mixed weather-ink calls-ink idle-ink weathers weather-keys weather-keys-matched mark-kinds mark-looks
               mark-keys marks-overlapping folds folds-counted calls-read calls-most axis-last)
    string(MAKE_C_IDENTIFIER ${figure} name)
    found(${name} "${dom}" "<output id=\"page-check\"[^>]* data-${figure}=\"([^\"]*)\""
          "the page's script left no ${figure} in #page-check")
endforeach()
found(frames "${report}" "\nafter ([0-9]+) frame\\(s\\)" "the report has no end state")

# The weather key: each weather of the report's phases once, in the colour of its bands.
string(REGEX MATCHALL "\nframes? [0-9]+(-[0-9]+)?: [^\n]*\\(0x[0-9A-F]+\\)\n" headings "${report}")
set(reported "")
foreach(heading IN LISTS headings)
    string(REGEX MATCH "\\((0x[0-9A-F]+)\\)\n$" _ "${heading}")
    list(APPEND reported ${CMAKE_MATCH_1})
endforeach()
list(REMOVE_DUPLICATES reported)
list(SORT reported)
string(REPLACE " " ";" keyed "${weather_keys}")
list(LENGTH keyed keyCount)
if(NOT keyed STREQUAL reported OR NOT weathers STREQUAL weather_keys OR NOT weather_keys_matched EQUAL keyCount)
    message(FATAL_ERROR "the report's weathers are ${reported}; the lane shows ${weathers}; the key names "
                        "${weather_keys}, ${weather_keys_matched} of them in their bands' colour")
endif()
# The events: a look for each kind, the same at its row's name, and every fold with its number.
if(NOT mark_looks EQUAL mark_kinds OR NOT mark_keys EQUAL mark_kinds OR NOT folds_counted EQUAL folds
   OR NOT marks_overlapping EQUAL 0)
    message(FATAL_ERROR "${mark_kinds} kinds of event marks with ${mark_looks} looks, ${mark_keys} at their rows' "
                        "names; ${folds_counted} of ${folds} folded marks show their number; ${marks_overlapping} "
                        "run into the next mark of their row")
endif()
# The scale of the native calls, read at the tallest bar, and the frame axis's last label.
math(EXPR callsOff "${calls_read} - ${calls_most}")
string(REGEX REPLACE "^-" "" callsOff "${callsOff}")
math(EXPR callsSlack "${calls_most} / 50 + 1")
math(EXPR lastFrame "${frames} - 1")
if(callsOff GREATER callsSlack OR NOT axis_last EQUAL lastFrame)
    message(FATAL_ERROR "the calls' scale reads ${calls_read} at the tallest bar, the most calls of a frame were "
                        "${calls_most}; the axis ends at ${axis_last}, the last frame was ${lastFrame}")
endif()

# The event marks, and how many events they count together.
string(REGEX MATCHALL "<g class=\"marker [a-z]+\" data-kind=\"[a-z]+\" [^>]*data-count=\"[0-9]+\" data-frame=\"[0-9]+\" data-last=\"[0-9]+\"" markers "${dom}")
set(marked 0)
foreach(marker IN LISTS markers)
    string(REGEX MATCH "data-count=\"([0-9]+)\"" _ "${marker}")
    math(EXPR marked "${marked} + ${CMAKE_MATCH_1}")
endforeach()

if(FRAMES)
    found(idle "${dom}" "frames with none: ([0-9]+)" "the page does not say how many frames had no native call")
    math(EXPR idleShare "100 * ${idle} / ${frames}")
    # The marks stand for every event of the run.
    found(events "${dom}" "<g id=\"markers\" data-events=\"([0-9]+)\"" "the page does not say how many events the run had")
    message("${frames} frames: ${bandsLaidOut} weather bands and ${mixed} columns of several weathers; ink: weather "
            "${weather_ink} %, native calls ${calls_ink} %, no native call ${idle_ink} % (${idleShare} % of the "
            "frames had none); ${markersLaidOut} marks of ${mark_kinds} kinds for ${events} events, ${folds} folded")
    # A column with any frame without a native call shows at least a sliver: up to 5 points more.
    math(EXPR idleMost "${idleShare} + 6")
    if(weather_ink LESS 99 OR NOT calls_ink GREATER 10 OR idle_ink LESS idleShare OR idle_ink GREATER idleMost
       OR NOT marked EQUAL events OR markersLaidOut EQUAL 0 OR folds EQUAL 0)
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

# Each event of the trace counted in a mark of its kind over its frame.
function(kindOf what)
    foreach(pattern IN ITEMS "weather:^weather " "keys:^keys? 0x" "peds:^[0-9]+ (oldest )?peds? (de)?spawns?"
                             "file:^(set |delete |overwrite |a directory)" "plugins:^(un)?load " "faults:^(fault|the game)")
        string(REGEX MATCH "^[a-z]+" kind "${pattern}")
        string(REGEX REPLACE "^[a-z]+:" "" pattern "${pattern}")
        if(what MATCHES "${pattern}")
            set(kind ${kind} PARENT_SCOPE)
            return()
        endif()
    endforeach()
    message(FATAL_ERROR "the test knows no kind of event for \"${what}\"")
endfunction()
file(STRINGS ${WORK_DIR}/trace.jsonl events REGEX "^{\"frame\":[0-9]+,\"type\":\"event\"")
set(traced "")
foreach(event IN LISTS events)
    string(REGEX MATCH "^{\"frame\":([0-9]+),\"type\":\"event\",\"what\":\"([^\"]*)" _ "${event}")
    set(frame ${CMAKE_MATCH_1})
    kindOf("${CMAKE_MATCH_2}")
    list(APPEND traced "${kind}:${frame}")
endforeach()
list(LENGTH traced eventCount)
foreach(marker IN LISTS markers)
    string(REGEX MATCH "data-kind=\"([a-z]+)\" [^>]*data-count=\"([0-9]+)\" data-frame=\"([0-9]+)\" data-last=\"([0-9]+)\"" _ "${marker}")
    set(kind ${CMAKE_MATCH_1})
    set(count ${CMAKE_MATCH_2})
    set(first ${CMAKE_MATCH_3})
    set(last ${CMAKE_MATCH_4})
    set(found 0)
    foreach(event IN LISTS traced)
        string(REGEX MATCH "^([a-z]+):([0-9]+)$" _ "${event}")
        if(CMAKE_MATCH_1 STREQUAL kind AND NOT CMAKE_MATCH_2 LESS first AND NOT CMAKE_MATCH_2 GREATER last)
            math(EXPR found "${found} + 1")
        endif()
    endforeach()
    if(NOT found EQUAL count)
        message(FATAL_ERROR "a ${kind} mark over frames ${first}-${last} counts ${count} events; the trace has ${found} "
                            "of that kind there (all of them: ${traced})")
    endif()
endforeach()
list(LENGTH markers markerCount)
if(NOT marked EQUAL eventCount OR NOT markerCount EQUAL markersLaidOut OR NOT eventCount EQUAL eventsListed
   OR mark_kinds LESS 3 OR folds EQUAL 0)
    message(FATAL_ERROR "the trace has ${eventCount} events (${traced}); the page's ${markerCount} marks "
                        "(${markersLaidOut} laid out, ${mark_kinds} kinds, ${folds} folded) count ${marked}, "
                        "${eventsListed} listed")
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
