cmake_minimum_required(VERSION 3.25)
# What a new user runs into first: a wrong option or value, a file that won't load, and a report
# that must say plainly what it saw. Each case: the arguments, the exit status and what the
# output must hold.
#   -DSIM=<veltrane-sim.exe> -DEMULATOR=<runner> -DCASES=<tests/sim> -DWORK_DIR=<scratch>

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(scenario ${CASES}/rough_edges.json)

set(failures "")
# edge(NAME STATUS [SCENARIO FILE TEXT] ARGS... EXPECT patterns...): with SCENARIO, the case's own
# scenario TEXT is written to FILE in WORK_DIR and played, before ARGS.
function(edge name status)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "SCENARIO;ARGS;EXPECT")
    if(arg_SCENARIO)
        list(GET arg_SCENARIO 0 file)
        list(GET arg_SCENARIO 1 text)
        file(WRITE ${WORK_DIR}/${file} "${text}")
        list(PREPEND arg_ARGS ${WORK_DIR}/${file})
    endif()
    execute_process(COMMAND ${EMULATOR} ${SIM} ${arg_ARGS} --game-dir ${WORK_DIR}/game
                    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result)
    set(all "${out}${err}")
    if(NOT result STREQUAL status)
        string(APPEND failures "${name}: exit status ${result}, not ${status}\n${all}\n")
    endif()
    foreach(pattern IN LISTS arg_EXPECT)
        if(NOT all MATCHES "${pattern}")
            string(APPEND failures "${name}: the output lacks \"${pattern}\"\n${all}\n")
        endif()
    endforeach()
    set(failures "${failures}" PARENT_SCOPE)
endfunction()

set(usage "\nUsage: veltrane-sim \\[OPTIONS\\] \\[scenario\\]\n")
edge("unknown option" 1 ARGS ${scenario} --colour
     EXPECT "not expected: --colour" "${usage}")
edge("negative frame count" 1 ARGS ${scenario} --frames -5
     EXPECT "--frames: \"-5\" is not allowed: a whole number from 1 to [0-9]+" "${usage}")
edge("no frames" 1 ARGS ${scenario} --frames 0 EXPECT "--frames: \"0\" is not allowed: a whole number from 1 to")
# Fewer frames than the scenario's events need: played, and said.
edge("frames ending before the last event" 0 ARGS ${scenario} --frames 2
     EXPECT "\nnote: --frames 2 ends the run before 2 of the scenario's 3 events, the first in frame 2 \\(events\\[1\\]\\): they are not played\n")
edge("help" 0 ARGS --help
     EXPECT "default: sim/scenarios/default\\.json of the source tree"
            "a file name alone is found beside this program, a path with a folder from the current folder")
# The game's own records of each frame would read as the plugin's leak.
edge("resources without summary" 1 ARGS ${scenario} --resources ${WORK_DIR}/resources.csv
     EXPECT "--resources needs --summary: without it the game keeps a record of every frame" "${usage}")
edge("missing host" 1 ARGS ${scenario} --host ${WORK_DIR}/none.dll
     EXPECT "cannot load the host [^\n]*none\\.dll: no such file")
# A text file is no DLL: the loader's reason, in words, with its code.
edge("plugin that is no DLL" 1 ARGS ${scenario} --plugin ${scenario}
     EXPECT "cannot load the plugin [^\n]*rough_edges\\.json: [A-Za-z][^\n]* \\(Windows error [1-9][0-9]*\\)")
edge("report" 0 ARGS ${scenario}
     EXPECT "world at the start: 1 ped \\(0 exempt\\)"
            "Accuracy_Rain=12829 \\(follow the first ped: its accuracy 70 resolves to 110, outside 0-100: accuracy left alone\\)"
            "set WeatherType_Rain\\.DamageMod_Rain = \"0\\.5\\\\xC3\\\\xA9\""
            "set Settings\\.Enabled = \"1 \""
            "DamageMod_Rain=\"0\\.5\\\\xC3\\\\xA9\" \\(reads 0\\.5\\)")
# Two plugins, two scripts: one stack figure for each, in the order the loader loaded them (by name).
get_filename_component(built ${SIM} DIRECTORY)
edge("script stack of two plugins" 0 ARGS ${scenario} --plugin ${built}/Veltrane.asi --plugin ${built}/asi_probe.asi
     --script-stack 65536 --summary
     EXPECT "\nscript stack: [1-9][0-9]* of 65536 bytes used at most by asi_probe\\.asi's script\nscript stack: [1-9][0-9]* of 65536 bytes used at most by Veltrane\\.asi's script\n")

# The scenario's unloads and loads are checked against the plugins --plugin gives, before the first frame.
edge("unload of a plugin --plugin left out" 1 ARGS ${CASES}/reload.json --plugin ${built}/asi_probe.asi
     EXPECT "reload\\.json: events\\[3\\]\\.unload: Veltrane\\.asi is not one of the game's plugins \\(asi_probe\\.asi\\)")

# No weather at frame 0: the world's hash 0 has no row, and the report's first lines say what follows.
edge("no weather at the start" 0 SCENARIO no_weather.json "{\"frames\": 2, \"ini\": null, \"peds\": {\"count\": 1}}"
     EXPECT "\nworld at the start: 1 ped \\(0 exempt\\)\nweather at the start: none given, hash 0, which has no row: [^\n]*accuracy 0 and damage modifier 0\\.0")

# --resources: each row gives the base of the plugin it is for, the start's row the watched one's.
edge("figures of each load" 0 ARGS ${CASES}/asi_loader.json --summary --resources ${WORK_DIR}/resources.csv)
file(STRINGS ${WORK_DIR}/resources.csv rows)
list(POP_FRONT rows header)
set(wanted "^0,Veltrane\\.asi,0,0x[1-9a-f]" "^1,asi_probe\\.asi,6,0x[1-9a-f]" "^2,Veltrane\\.asi,10,0x[1-9a-f]")
set(bases "")
foreach(row pattern IN ZIP_LISTS rows wanted)
    if(NOT row MATCHES "${pattern}")
        string(APPEND failures "figures of each load: the row \"${row}\" is not \"${pattern}...\"\n")
    endif()
    string(REGEX MATCH "0x[0-9a-f]+" base "${row}")
    list(APPEND bases "${base}")
endforeach()
# Two modules in one process: the second plugin's row has a base of its own.
list(GET bases 0 veltrane_base)
list(GET bases 1 probe_base)
if(veltrane_base STREQUAL probe_base)
    string(APPEND failures "figures of each load: asi_probe.asi's row gives Veltrane.asi's base ${veltrane_base}\n")
endif()

# A scenario's own mistakes and oddities, each with its place.
edge("a number past a double's range" 1
     SCENARIO past_a_double.json "{\"frames\": 2, \"events\": [{\"frame\": 0, \"resetDamage\": -1e999}]}"
     EXPECT "past_a_double\\.json: events\\[0\\]\\.resetDamage: the number '-1e999' is past the range of a number")
edge("a missing plugin of the scenario" 1
     SCENARIO missing_plugin.json "{\"frames\": 2, \"plugins\": [\"Veltrane.asi\", \"Missing.asi\"]}"
     EXPECT "missing_plugin\\.json: plugins\\[1\\]: cannot load the plugin [^\n]*Missing\\.asi: no such file")
edge("a missing plugin of the command line" 1 ARGS ${scenario} --plugin ${WORK_DIR}/none.asi
     EXPECT "--plugin [^\n]*none\\.asi: cannot load the plugin [^\n]*none\\.asi: no such file")
edge("a key the plugin never reads, in the report" 0
     SCENARIO unread_key.json "{\"frames\": 2, \"events\": [{\"frame\": 1, \"set\": {\"section\": \"WeatherType_Rain\", \"key\": \"Acuracy_Rain\", \"value\": 5}}]}"
     EXPECT "\nnote: events\\[0\\]\\.set\\.key: the plugin reads no key \"Acuracy_Rain\" in \\[WeatherType_Rain\\]; the nearest is \"Accuracy_Rain\"\n")
edge("a key the plugin never reads, without a report" 0 ARGS ${WORK_DIR}/unread_key.json --quiet
     EXPECT "veltrane-sim: note: events\\[0\\]\\.set\\.key: the plugin reads no key")

if(failures)
    message(FATAL_ERROR "${failures}")
endif()
