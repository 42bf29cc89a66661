# langsetup_area_sources(<core target> <win32 target> CORE <files> WIN32 <files>): an area's files
# that need no operating system go into the first target, its Win32 files into the second
# (Windows builds only). Used for the tool's sources and for its tests alike.
function(langsetup_area_sources core_target win32_target)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "CORE;WIN32")
    if(arg_CORE)
        target_sources(${core_target} PRIVATE ${arg_CORE})
    endif()
    if(WIN32 AND arg_WIN32)
        target_sources(${win32_target} PRIVATE ${arg_WIN32})
    endif()
endfunction()
