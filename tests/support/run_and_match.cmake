# For the checks that CTest runs as CMake scripts (cmake -P): run a program, match what it printed.

# fresh_directory(DIR): DIR exists and is empty, whatever an earlier run left in it.
function(fresh_directory dir)
    file(REMOVE_RECURSE ${dir})
    file(MAKE_DIRECTORY ${dir})
endfunction()

# run_checked(WHAT OUT_VAR COMMAND...): runs the command and puts its standard output in OUT_VAR;
# fails, saying "WHAT exited with <status>" and what the command printed, unless it exits 0.
function(run_checked what out_var)
    execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${what} exited with ${status}\n${out}${err}")
    endif()
    set(${out_var} "${out}" PARENT_SCOPE)
endfunction()

# run_or_fail(WHY ARGS...): execute_process(ARGS...), and the OUTPUT_VARIABLE that ARGS may name
# set for the caller; fails, saying WHY, unless the command exits 0. What ARGS leave uncaptured
# goes to the test's log.
function(run_or_fail why)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "OUTPUT_VARIABLE" "")
    execute_process(${ARGN} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${why}")
    endif()
    if(arg_OUTPUT_VARIABLE)
        set(${arg_OUTPUT_VARIABLE} "${${arg_OUTPUT_VARIABLE}}" PARENT_SCOPE)
    endif()
endfunction()

# expect_match(TEXT REGEX WHY): fails, saying WHY, unless TEXT matches REGEX.
function(expect_match text regex why)
    if(NOT text MATCHES "${regex}")
        message(FATAL_ERROR "${why}")
    endif()
endfunction()
