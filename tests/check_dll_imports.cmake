cmake_minimum_required(VERSION 3.25)
# Fails unless Veltrane.asi imports only from KERNEL32.dll, the C runtime and the script host,
# and imports exactly the host's nine functions under their decorated names.
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${DLL}")
endif()
if(NOT dump MATCHES "file format pei-x86-64")
    message(FATAL_ERROR "${DLL} is not a 64-bit PE file")
endif()

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

# The host's block: from its DLL Name line up to the next blank line.
string(REGEX MATCH "DLL Name: ScriptHookRDR2\\.dll\n[^\n]*\n(([^\n]+\n)*)" host_block "${dump}")
set(expected
    "?scriptRegister@@YAXPEAUHINSTANCE__@@P6AXXZ@Z"
    "?scriptUnregister@@YAXPEAUHINSTANCE__@@@Z"
    "?scriptWait@@YAXK@Z"
    "?keyboardHandlerRegister@@YAXP6AXKGEHHHH@Z@Z"
    "?keyboardHandlerUnregister@@YAXP6AXKGEHHHH@Z@Z"
    "?nativeInit@@YAX_K@Z"
    "?nativePush64@@YAX_K@Z"
    "?nativeCall@@YAPEA_KXZ"
    "?worldGetAllPeds@@YAHPEAHH@Z")
string(REGEX MATCHALL "\\?[^ \t\n]+" imported "${host_block}")
list(SORT imported)
set(sorted_expected ${expected})
list(SORT sorted_expected)
if(NOT imported STREQUAL sorted_expected)
    message(FATAL_ERROR "script host imports differ.\n got: ${imported}\n want: ${sorted_expected}")
endif()
message(STATUS "script host imports: the nine decorated names")

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
