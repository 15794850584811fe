# Veltrane.asi: the plugin DLL players install, bound to the script host by an import library
# made from our own .def file (plain names in our code, the host's decorated names in the table).

# The runtime linked into the plugin must be the win32 thread model's (see the toolchain file):
# a build tree first configured with another compiler keeps that one, so check.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -v ERROR_VARIABLE _compiler_about OUTPUT_QUIET)
if(NOT _compiler_about MATCHES "Thread model: win32")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has not the win32 thread model that the plugin needs: "
                        "delete ${CMAKE_BINARY_DIR} and configure again")
endif()

set(VELTRANE_HOST_IMPLIB ${PROJECT_BINARY_DIR}/libScriptHookRDR2.a)
add_custom_command(
    OUTPUT ${VELTRANE_HOST_IMPLIB}
    COMMAND ${VELTRANE_DLLTOOL} -m i386:x86-64 -d ${PROJECT_SOURCE_DIR}/host/ScriptHookRDR2.def -l ${VELTRANE_HOST_IMPLIB}
    DEPENDS ${PROJECT_SOURCE_DIR}/host/ScriptHookRDR2.def
    COMMENT "Import library for ScriptHookRDR2.dll")
add_custom_target(veltrane_host_implib DEPENDS ${VELTRANE_HOST_IMPLIB})
add_library(ScriptHookRDR2_import STATIC IMPORTED GLOBAL)
set_target_properties(ScriptHookRDR2_import PROPERTIES IMPORTED_LOCATION ${VELTRANE_HOST_IMPLIB})
add_dependencies(ScriptHookRDR2_import veltrane_host_implib)

enable_language(RC)
include(${PROJECT_SOURCE_DIR}/cmake/VersionResource.cmake)

# A loadable module, not a library to link against: no import library is made.
add_library(veltrane_asi MODULE plugin/dll_main.cpp)
veltrane_add_version_resource(veltrane_asi FILETYPE VFT_DLL FILENAME Veltrane.asi
    DESCRIPTION "Veltrane: weather-dependent ped accuracy and damage (script plugin)")
set_target_properties(veltrane_asi PROPERTIES
    OUTPUT_NAME Veltrane PREFIX "" SUFFIX ".asi"
    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
target_link_libraries(veltrane_asi PRIVATE veltrane_core ScriptHookRDR2_import veltrane_warnings)
# Nothing else to install: libgcc and libstdc++ go inside the DLL. No timestamp in the PE
# header, so two builds of one commit are identical.
target_link_options(veltrane_asi PRIVATE -static -s -Wl,--no-insert-timestamp -Wl,--exclude-all-symbols)
# The link map says which object of which library went into the DLL, and why: the dll_lean test
# reads it. Writing it changes none of the DLL's bytes.
set(VELTRANE_ASI_MAP ${PROJECT_BINARY_DIR}/Veltrane.map)
target_link_options(veltrane_asi PRIVATE -Wl,-Map=${VELTRANE_ASI_MAP})
