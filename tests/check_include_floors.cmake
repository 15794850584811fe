# Includes run one way, down the floors: no folder includes one above it. Each entry of the
# list is a floor, from the top; the folders of one floor (separated by commas) may include
# each other. A file's folder is the longest listed folder its path starts with.
#
#   cmake -DSOURCE_DIR=<tree> -P check_include_floors.cmake
set(floors
    "sim,doctor/cli"
    "doctor/install"
    "doctor/folder"
    "doctor/settings"
    "doctor/readers,doctor/os"
    "plugin"
    "tuning"
    "settings,host"
    "pe,text,platform")

# The floor of `path` (a path from the tree's root), by its place in the list; -1: none.
function(floor_of path out)
    set(best_length 0)
    set(best_level -1)
    set(level 0)
    foreach(floor IN LISTS floors)
        string(REPLACE "," ";" folders "${floor}")
        foreach(folder IN LISTS folders)
            string(LENGTH "${folder}/" length)
            string(FIND "${path}" "${folder}/" at)
            if(at EQUAL 0 AND length GREATER best_length)
                set(best_length ${length})
                set(best_level ${level})
            endif()
        endforeach()
        math(EXPR level "${level} + 1")
    endforeach()
    set(${out} ${best_level} PARENT_SCOPE)
endfunction()

set(sources "")
foreach(floor IN LISTS floors)
    string(REPLACE "," ";" folders "${floor}")
    foreach(folder IN LISTS folders)
        file(GLOB_RECURSE found RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp"
             "${SOURCE_DIR}/${folder}/*.c")
        list(APPEND sources ${found})
    endforeach()
endforeach()
list(REMOVE_DUPLICATES sources)
set(upward "")
set(checked 0)
foreach(source IN LISTS sources)
    floor_of("${source}" own)
    if(own LESS 0)
        continue()
    endif()
    math(EXPR checked "${checked} + 1")
    file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" included "${line}")
        floor_of("${included}" theirs)
        if(theirs GREATER_EQUAL 0 AND theirs LESS own)
            list(APPEND upward "${source} includes ${included}")
        endif()
    endforeach()
endforeach()
if(checked EQUAL 0)
    message(FATAL_ERROR "no source file under the listed folders of ${SOURCE_DIR}")
endif()
if(upward)
    list(JOIN upward "\n  " text)
    message(FATAL_ERROR "includes that point up a floor:\n  ${text}")
endif()
message(STATUS "${checked} files include only their own floor and those below")
