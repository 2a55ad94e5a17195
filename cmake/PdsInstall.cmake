# What `cmake --install` lays out and what finds it afterwards:
#
#   lib/libpds.so.2.16.0 (SONAME libpds.so.2), libpds.so, libpds.a
#   include/pds/...                      the public headers and Version.h
#   lib/cmake/pds/                       find_package(pds): pds::pds, pds::pds_static
#   lib/pkgconfig/pds.pc                 pkg-config --cflags --libs pds
#   share/man/man1/pds*.1                the manual pages, made from `pds help`
#   bin/, share/bash-completion, share/pds   the programs and their files (apps/)
#
# and `cpack -G DEB` makes one Debian package of all of it.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(PDS_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/pds)

# ---- libraries and headers
install(TARGETS pds_shared EXPORT pdsTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT Unspecified)
install(TARGETS pds_static EXPORT pdsStaticTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
# A stripped install (`--strip`, the Debian package) leaves the debug
# information of the static library behind too; install(TARGETS) strips
# only programs and shared libraries.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug
                    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:pds_static>\")
  endif()")
install(DIRECTORY ${CMAKE_SOURCE_DIR}/include/pds DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")
install(FILES ${CMAKE_BINARY_DIR}/generated/pds/Version.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/pds)

# ---- CMake package. The static target sits in a file of its own, read only
# when the libraries it is built on are found, so that a machine with the
# runtime libraries alone can still use pds::pds.
install(EXPORT pdsTargets NAMESPACE pds:: DESTINATION ${PDS_CMAKE_DIR})
install(EXPORT pdsStaticTargets NAMESPACE pds:: DESTINATION ${PDS_CMAKE_DIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/pdsConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/pkg/pdsConfig.cmake INSTALL_DESTINATION ${PDS_CMAKE_DIR})
# 2.x answers for 2.16 and later 2.x: the major version is the SONAME's.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/pkg/pdsConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/pkg/pdsConfig.cmake ${CMAKE_BINARY_DIR}/pkg/pdsConfigVersion.cmake
        DESTINATION ${PDS_CMAKE_DIR})

# ---- pkg-config. The prefix is found from the file's own place, so the same
# file serves `--prefix P` chosen at install time and the Debian package.
file(RELATIVE_PATH PDS_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
string(REGEX REPLACE "/$" "" PDS_PC_TO_PREFIX "${PDS_PC_TO_PREFIX}")
set(PDS_PC_DL)
if(CMAKE_DL_LIBS)
  set(PDS_PC_DL -l${CMAKE_DL_LIBS})
endif()
configure_file(${CMAKE_SOURCE_DIR}/cmake/pds.pc.in ${CMAKE_BINARY_DIR}/pkg/pds.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/pkg/pds.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# ---- manual pages: written by the built `pds help --man` from the same pages
# `pds help` prints, so the two never disagree.
set(PDS_MAN_DIR ${CMAKE_BINARY_DIR}/man)
add_custom_command(OUTPUT ${PDS_MAN_DIR}/pds.1
                   COMMAND ${CMAKE_COMMAND} -E rm -rf ${PDS_MAN_DIR}
                   COMMAND $<TARGET_FILE:pds> help --man ${PDS_MAN_DIR}
                   DEPENDS pds COMMENT "Writing the manual pages")
add_custom_target(pds_man ALL DEPENDS ${PDS_MAN_DIR}/pds.1)
install(DIRECTORY ${PDS_MAN_DIR}/ DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 FILES_MATCHING PATTERN "*.1")

# ---- Debian package: one package with the library, the programs, the headers
# and the Python module; the split into libpds2/libpds-dev is not worth it
# while one team ships them together. Dependencies come from the binaries.
set(CPACK_PACKAGE_NAME pds)
set(CPACK_PACKAGE_VENDOR "Norrick")
set(CPACK_PACKAGE_CONTACT "Norrick <support@norrick.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "project data server: library, pds command, headers and Python module")
set(CPACK_PACKAGE_DESCRIPTION
    "The in-process component that a family of engineering design applications loads to share projects, "
    "their tags and configuration values; with the pds command-line host, the sample translator, the C++ "
    "headers, the CMake package and pkg-config file, and the Python module pds.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A shlibs file for packages built against libpds, and the ldconfig trigger.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# The package carries no debug information (the build tree keeps it).
set(CPACK_STRIP_FILES ON)
# The Python module is built for this interpreter's ABI.
if(PDS_PYTHON_VERSION)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3 (>= ${PDS_PYTHON_VERSION})")
endif()
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libsqlite3-dev, libzip-dev, libdeflate-dev, zlib1g-dev, pkg-config, cmake")
include(CPack)
