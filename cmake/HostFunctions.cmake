# The script host's nine functions, read from the one table that names them: host/ScriptHookRDR2.def,
# "plainName == decoratedName" a line. Included by the build and by test scripts run with -P.

# A check may point VELTRANE_HOST_DEF at a copy of the table.
if(NOT VELTRANE_HOST_DEF)
    set(VELTRANE_HOST_DEF ${CMAKE_CURRENT_LIST_DIR}/../host/ScriptHookRDR2.def)
endif()

# veltrane_host_functions(<plain-var> <decorated-var>): the plain names and the decorated names,
# in the table's order, as two lists of nine.
function(veltrane_host_functions plain_var decorated_var)
    if(NOT CMAKE_SCRIPT_MODE_FILE)
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VELTRANE_HOST_DEF})
    endif()
    file(STRINGS ${VELTRANE_HOST_DEF} lines REGEX "==")
    set(plain "")
    set(decorated "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[ \t]*([^ \t=]+)[ \t]*==.*$" "\\1" name "${line}")
        list(APPEND plain "${name}")
        string(REGEX REPLACE "^[^=]*==[ \t]*([^ \t;]+).*$" "\\1" name "${line}")
        list(APPEND decorated "${name}")
    endforeach()
    set(${plain_var} "${plain}" PARENT_SCOPE)
    set(${decorated_var} "${decorated}" PARENT_SCOPE)
endfunction()
