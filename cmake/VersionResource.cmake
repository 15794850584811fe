# veltrane_add_version_resource(TARGET FILETYPE <VFT_DLL|VFT_APP> FILENAME <name> DESCRIPTION <text>)
# Gives a Windows binary the project's version resource. The version is the project's, so the
# DLL, the doctor and the package's name always agree.
function(veltrane_add_version_resource target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "FILETYPE;FILENAME;DESCRIPTION" "")
    set(VELTRANE_RC_FILETYPE ${arg_FILETYPE})
    set(VELTRANE_RC_FILENAME ${arg_FILENAME})
    set(VELTRANE_RC_DESCRIPTION ${arg_DESCRIPTION})
    get_filename_component(VELTRANE_RC_INTERNAL_NAME ${arg_FILENAME} NAME_WE)
    set(rc ${PROJECT_BINARY_DIR}/version/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()
