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
    target_compile_options(langsetup_options INTERFACE -ffunction-sections -fdata-sections)
    target_link_options(langsetup_options INTERFACE -static -Wl,--gc-sections
                        -Wl,--dynamicbase -Wl,--nxcompat)
endif()

if(LANGSETUP_SANITIZE)
    set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_compile_options(langsetup_options INTERFACE ${_san})
    target_link_options(langsetup_options INTERFACE ${_san})
endif()
