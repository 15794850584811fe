# veltrane_header_only_package(TARGET HEADER): an interface target for a header-only Debian
# package, found by one of its headers (CLI/CLI.hpp). A native build finds the package on the
# compiler's own path. A MinGW build can't take all of /usr/include (glibc's headers would
# shadow MinGW's), so it gets the package's folder alone, through a link in the build tree.
function(veltrane_header_only_package target header)
    string(TOUPPER "${target}_INCLUDE_DIR" dir_variable)
    find_path(${dir_variable} ${header} PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
    get_filename_component(folder ${header} DIRECTORY)
    if(NOT ${dir_variable})
        message(FATAL_ERROR "/usr/include/${header} is missing: run scripts/install-deps.sh")
    endif()
    add_library(${target} INTERFACE)
    if(CMAKE_CROSSCOMPILING)
        set(include ${CMAKE_BINARY_DIR}/header-only/${target})
        file(MAKE_DIRECTORY ${include})
        file(CREATE_LINK ${${dir_variable}}/${folder} ${include}/${folder} SYMBOLIC)
        target_include_directories(${target} SYSTEM INTERFACE ${include})
    endif()
endfunction()
