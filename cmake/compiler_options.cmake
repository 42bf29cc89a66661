# Warnings and platform flags shared by every target of the tool.
add_library(langsetup_options INTERFACE)
target_compile_features(langsetup_options INTERFACE cxx_std_20)
target_compile_options(langsetup_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                                   -Wno-sign-conversion)

if(WIN32)
    # Unicode Win32 API, Windows 7 and later; the C and C++ run time linked in statically so the
    # program imports system DLLs only.
    target_compile_definitions(langsetup_options INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN
                                                           NOMINMAX _WIN32_WINNT=0x0601)
    target_link_options(langsetup_options INTERFACE -static -Wl,--dynamicbase -Wl,--nxcompat)
    # No time stamp and no build folder in any file: every clean build of a commit gives the same
    # bytes, wherever it is built.
    target_compile_options(langsetup_options INTERFACE
                           -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                           -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
    target_link_options(langsetup_options INTERFACE -Wl,--no-insert-timestamp)
endif()

# The code of the shipped program. It has one thread, and the only exception it could raise is
# running out of memory, which ends the process instead (app/allocation_failure_win32.cpp). Without
# exceptions, RTTI, unwind tables and guards for local statics, the C++ exception machinery, the
# unwinder and the thread library stay out of the program; unused functions and data are dropped
# at link time, and the symbols stripped. The whole program is optimised together at link time
# (-flto), which lets the compiler drop and share code across files; the objects also hold the
# ordinary code (-ffat-lto-objects), which the tests link (langsetup_link_without_lto). The code
# is made as small as the compiler can (-Oz, over the build type's -Os: shorter instructions,
# even where slower), functions called once stay functions (inlined into their one caller, they
# made this program larger), and switches compare instead of jumping through tables (fewer
# addresses for the system to relocate). The tests keep the defaults. scripts/size-report
# measures what each option saves.
set(LANGSETUP_LEAN_OPTIONS -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
                           -fno-threadsafe-statics -ffunction-sections -fdata-sections -flto
                           -ffat-lto-objects -Oz -fno-inline-functions-called-once
                           -fno-jump-tables
    CACHE STRING "Compile options of the shipped program's own code (Windows builds)")
set(LANGSETUP_LEAN_LINK_OPTIONS -Wl,--gc-sections -s -flto
    CACHE STRING "Link options of the shipped program (Windows builds)")
add_library(langsetup_product_options INTERFACE)
target_link_libraries(langsetup_product_options INTERFACE langsetup_options)
if(WIN32)
    target_compile_options(langsetup_product_options INTERFACE ${LANGSETUP_LEAN_OPTIONS})
endif()

# Test programs link the tool's libraries without link-time optimisation: mixing optimised and
# ordinary objects makes the mingw-w64 linker see their shared template code twice.
function(langsetup_link_without_lto target)
    if(WIN32)
        target_link_options(${target} PRIVATE -fno-lto -fno-use-linker-plugin)
    endif()
endfunction()

if(LANGSETUP_SANITIZE)
    set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_compile_options(langsetup_options INTERFACE ${_san})
    target_link_options(langsetup_options INTERFACE ${_san})
endif()
