cmake_minimum_required(VERSION 3.25)
# The host's decorated names come from a compiler, not from our typing: clang, for the MSVC ABI
# the host is built with, compiles the host's nine functions as its interface declares them
# (tests/host_abi/host_functions.cpp), and the names it decorates must be exactly the names in
# our import table (host/ScriptHookRDR2.def) and exactly what Veltrane.asi imports from the host.
#   -DCLANGXX=<clang++> -DNM=<llvm-nm> -DOBJDUMP=<objdump for PE> -DSOURCE=<host_functions.cpp>
#   -DDEF=<ScriptHookRDR2.def> -DDLL=<Veltrane.asi> -DWORK_DIR=<scratch>
include(${CMAKE_CURRENT_LIST_DIR}/support/run_and_match.cmake)

file(MAKE_DIRECTORY ${WORK_DIR})
set(object ${WORK_DIR}/host_functions.obj)
# No headers at all: nothing of a Windows SDK can slip in.
execute_process(COMMAND ${CLANGXX} --target=x86_64-pc-windows-msvc -std=c++17 -nostdinc -c ${SOURCE} -o ${object}
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "clang could not compile ${SOURCE}:\n${err}")
endif()
run_checked("llvm-nm on ${object}" nm_out ${NM} --undefined-only --just-symbol-name ${object})
string(REGEX MATCHALL "\\?[^\r\n]+" compiled "${nm_out}")
list(SORT compiled)
list(LENGTH compiled count)
if(NOT count EQUAL 9)
    message(FATAL_ERROR "clang decorated ${count} host functions, not nine: ${compiled}")
endif()

# The import table: "plainName == decoratedName" per function.
set(VELTRANE_HOST_DEF ${DEF})
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/HostFunctions.cmake)
veltrane_host_functions(plain table)
list(SORT table)

# The DLL's imports from the host: its block of objdump's import listing runs from its DLL Name
# line up to the next blank line.
run_checked("objdump -p ${DLL}" dump ${OBJDUMP} -p ${DLL})
string(REGEX MATCH "DLL Name: ScriptHookRDR2\\.dll\n[^\n]*\n(([^\n]+\n)*)" host_block "${dump}")
string(REGEX MATCHALL "\\?[^ \t\n]+" imported "${host_block}")
list(SORT imported)

# Fails unless a list is the compiler's, name for name; says which names differ.
function(report_difference what got)
    set(missing ${compiled})
    list(REMOVE_ITEM missing ${got})
    set(extra ${got})
    list(REMOVE_ITEM extra ${compiled})
    if(NOT got STREQUAL compiled)
        message(SEND_ERROR "${what} and the compiler disagree.\n"
                           "  the compiler's, not in ${what}: ${missing}\n"
                           "  in ${what}, not the compiler's: ${extra}")
    endif()
endfunction()
report_difference("${DEF}" "${table}")
report_difference("the host imports of ${DLL}" "${imported}")
string(REPLACE ";" "\n  " listing "${compiled}")
message(STATUS "the compiler's decorated names:\n  ${listing}")
