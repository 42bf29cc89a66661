# Language installation.
langsetup_tests(
  CORE
    language/language_table_test.cpp
    language/module_entry_rule_test.cpp
  WIN32
    language/install_e2e_test.cpp
    language/language_folder_record_win_test.cpp
    language/res_manager_win_test.cpp)

# A stand-in language module that records how it was run (tests/sample_module.exe), and someone
# else's program that records that it ran (tests/intruder.exe).
langsetup_test_program(sample_module SOURCES language/sample_module.cpp)
langsetup_test_program(intruder SOURCES language/sample_module.cpp)

if(WIN32)
    target_include_directories(sample_module PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_include_directories(intruder PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_compile_definitions(intruder PRIVATE LANGSETUP_INTRUDER)
    # The same module built for the other bitness (sample_module_other.exe), so that each build of
    # the tool is seen starting modules of both kinds.
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(other_compiler x86_64-w64-mingw32-g++-posix)
    else()
        set(other_compiler i686-w64-mingw32-g++-posix)
    endif()
    set(other_sample ${CMAKE_CURRENT_BINARY_DIR}/sample_module_other.exe)
    add_custom_command(
        OUTPUT ${other_sample}
        COMMAND ${other_compiler} -std=c++20 -Os -s -static -municode -DUNICODE -D_UNICODE
                -DWIN32_LEAN_AND_MEAN -I${PROJECT_SOURCE_DIR}/src -I${CMAKE_CURRENT_SOURCE_DIR}
                ${CMAKE_CURRENT_SOURCE_DIR}/language/sample_module.cpp -o ${other_sample}
        DEPENDS language/sample_module.cpp support/text_win32.h
        COMMENT "Building the sample module for the other bitness" VERBATIM)
    add_custom_target(sample_module_other DEPENDS ${other_sample})
    add_dependencies(langsetup_win_tests sample_module_other)
endif()
