# The release package of the shipped 32-bit program (CPack, package preset "release"):
# langsetup-<version>-win32.zip holding langsetup.exe, README.txt for installer authors,
# BUILDINFO.txt (commit, version, toolchain) and SHA256SUMS over the three. Two packages of one
# commit are the same bytes: file modes are set here, the build record holds no path or time, and
# cmake/release_normalize.cmake clears what the ZIP writer stores of the packaging time.

# The toolchain, as the record names it: the compiler, the linker and, where dpkg knows them, the
# Debian packages they come from.
foreach(tool CXX_COMPILER LINKER)
    execute_process(COMMAND ${CMAKE_${tool}} --version OUTPUT_VARIABLE version ERROR_QUIET)
    string(REGEX REPLACE "\n.*" "" ${tool}_version "${version}")
endforeach()
execute_process(COMMAND dpkg-query -W -f "\${Package} \${Version}\n" g++-mingw-w64-i686-posix
                        binutils-mingw-w64-i686 mingw-w64-i686-dev
                OUTPUT_VARIABLE toolchain_packages OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)

install(PROGRAMS $<TARGET_FILE:langsetup> DESTINATION .)
install(FILES release/installer-authors.txt DESTINATION . RENAME README.txt
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(CODE "
set(LANGSETUP_SOURCE_DIR [[${PROJECT_SOURCE_DIR}]])
set(LANGSETUP_VERSION [[${PROJECT_VERSION}]])
set(LANGSETUP_COMPILER [[${CXX_COMPILER_version}]])
set(LANGSETUP_LINKER [[${LINKER_version}]])
set(LANGSETUP_TOOLCHAIN_PACKAGES [[${toolchain_packages}]])
set(LANGSETUP_CMAKE_VERSION [[${CMAKE_VERSION}]])")
install(SCRIPT cmake/release_record.cmake)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME langsetup)
set(CPACK_PACKAGE_VENDOR Pexalo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME langsetup-${PROJECT_VERSION}-win32)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_LANGSETUP_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/release_normalize.cmake)
include(CPack)
