cmake_minimum_required(VERSION 3.25)
# Fails unless Veltrane.asi imports only from KERNEL32.dll, the C runtime and the script host.
# Which names it imports from the host is check_decorated_names.cmake's business.
include(${CMAKE_CURRENT_LIST_DIR}/support/run_and_match.cmake)
run_checked("objdump -p ${DLL}" dump ${OBJDUMP} -p ${DLL})
expect_match("${dump}" "file format pei-x86-64" "${DLL} is not a 64-bit PE file")

string(REGEX MATCHALL "DLL Name: [^\n]+" dll_lines "${dump}")
set(dlls "")
foreach(line IN LISTS dll_lines)
    string(REGEX REPLACE "DLL Name: ([^\r\n]+)" "\\1" name "${line}")
    string(STRIP "${name}" name)
    list(APPEND dlls "${name}")
    string(TOLOWER "${name}" lower)
    if(NOT lower MATCHES "^(kernel32\\.dll|msvcrt\\.dll|api-ms-win-crt-.*\\.dll|scripthookrdr2\\.dll)$")
        message(FATAL_ERROR "Veltrane.asi imports ${name}; players would have to install it")
    endif()
endforeach()
message(STATUS "imports from: ${dlls}")
if(NOT "ScriptHookRDR2.dll" IN_LIST dlls)
    message(FATAL_ERROR "Veltrane.asi does not import the script host")
endif()

# The module exports nothing: the host finds the script through scriptRegister.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(([^\n]+\n)*)" export_block "${dump}")
if(CMAKE_MATCH_1 MATCHES "\\[ *[0-9]+\\]")
    message(FATAL_ERROR "Veltrane.asi exports functions:\n${CMAKE_MATCH_1}")
endif()

# The version resource that the Properties dialog and antivirus tools read.
execute_process(COMMAND ${STRINGS} -el ${DLL} OUTPUT_VARIABLE wide_text)
string(REPLACE "\n" ";" version_strings "${wide_text}")
foreach(wanted "FileVersion" "ProductName" "FileDescription" "Veltrane")
    list(FIND version_strings "${wanted}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "Veltrane.asi has no \"${wanted}\" in its version resource")
    endif()
endforeach()
message(STATUS "version resource present, exports none")
