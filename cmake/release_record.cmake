# Run at install time (in the release package's staging folder): writes BUILDINFO.txt, the build
# record, and then SHA256SUMS over what the package holds, in the form `sha256sum -c` reads.
# The commit is LANGSETUP_SOURCE_COMMIT from the environment when set (a build from a copy of the
# sources has no repository), else what git says of the source folder.
set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")

if(DEFINED ENV{LANGSETUP_SOURCE_COMMIT})
    set(commit "$ENV{LANGSETUP_SOURCE_COMMIT}")
else()
    execute_process(COMMAND git -C "${LANGSETUP_SOURCE_DIR}" rev-parse HEAD
                    OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
                    RESULT_VARIABLE failed)
    execute_process(COMMAND git -C "${LANGSETUP_SOURCE_DIR}" status --porcelain
                              --untracked-files=no
                    OUTPUT_VARIABLE changes OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(failed OR commit STREQUAL "")
        set(commit "unknown (not built from a git checkout)")
    elseif(NOT changes STREQUAL "")
        string(APPEND commit " with uncommitted changes")
    endif()
endif()
file(SHA256 "${folder}/langsetup.exe" program_sum)
string(REPLACE "\n" "\n              " packages "${LANGSETUP_TOOLCHAIN_PACKAGES}")
file(WRITE "${folder}/BUILDINFO.txt" "\
langsetup ${LANGSETUP_VERSION}, the shipped 32-bit langsetup.exe

commit        ${commit}
langsetup.exe sha256 ${program_sum}, as built (unsigned)
compiler      ${LANGSETUP_COMPILER}
linker        ${LANGSETUP_LINKER}
packages      ${packages}
cmake         ${LANGSETUP_CMAKE_VERSION}

Check a langsetup.exe against this commit, signed or not, with scripts/verify-release from the
sources (see README.txt).
")

set(sums "")
foreach(name langsetup.exe README.txt BUILDINFO.txt)
    file(SHA256 "${folder}/${name}" sum)
    string(APPEND sums "${sum}  ${name}\n")
endforeach()
file(WRITE "${folder}/SHA256SUMS" "${sums}")
