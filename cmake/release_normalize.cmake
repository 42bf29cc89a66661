# Run by CPack after it has written the package: CMake's ZIP writer stores the packaging time (in
# each entry, and in an extra field no file time can set). Debian's strip-nondeterminism sets
# every time to one moment and drops those fields, so two packages of one commit are the same
# bytes. The moment is SOURCE_DATE_EPOCH when set, else the commit's time, else 1980-01-01.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
    execute_process(COMMAND git -C "${CPACK_LANGSETUP_SOURCE_DIR}" log -1 --format=%ct
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(NOT epoch MATCHES "^[0-9]+$")
        set(epoch 315532800)
    endif()
endif()
find_program(STRIP_NONDETERMINISM strip-nondeterminism REQUIRED)
foreach(package ${CPACK_PACKAGE_FILES})
    execute_process(COMMAND ${STRIP_NONDETERMINISM} --type zip --timestamp ${epoch} ${package}
                    RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "strip-nondeterminism could not normalise ${package}")
    endif()
endforeach()
