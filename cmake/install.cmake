# What `cmake --install` puts in place: the header, the library (with its import library
# and .def on Windows), the helper program kelvane-hive beside the .so, the command-line
# host, the licence, a CMake package giving kelvane::kelvane, and kelvane.pc. The static core, the loader and the test programs stay in the build tree.
include(CMakePackageConfigHelpers)

# Hosts compiled against the library find the header here; the core's own include
# folders reach only the library's build, through its private link.
target_include_directories(kelvane INTERFACE
  $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
set_target_properties(kelvane PROPERTIES EXPORT_NAME kelvane)

install(TARGETS kelvane EXPORT kelvane-targets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
if(NOT WIN32)
  # The library starts its helper program from its own folder.
  install(TARGETS kelvane_hive RUNTIME DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
install(FILES include/kelvane.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The licence travels with every copy of the library.
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(WIN32)
  # For toolchains that make their own import library from it (lib /def:kelvane.def).
  install(FILES ${KELVANE_DEF} DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
install(TARGETS kelvane_host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(KELVANE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kelvane)
install(EXPORT kelvane-targets NAMESPACE kelvane:: FILE kelvane-targets.cmake
  DESTINATION ${KELVANE_PACKAGE_DIR})
install(FILES cmake/kelvane-config.cmake DESTINATION ${KELVANE_PACKAGE_DIR})
if(WIN32)
  # A consumer cross-builds against the installed DLL with the toolchain it was built with:
  # -DCMAKE_TOOLCHAIN_FILE=<prefix>/lib/cmake/kelvane/mingw-i686.cmake (mingw-x86_64.cmake
  # for the 64-bit DLL); each toolchain file names its processor.
  install(FILES cmake/mingw-${CMAKE_SYSTEM_PROCESSOR}.cmake DESTINATION ${KELVANE_PACKAGE_DIR})
endif()
# The version file also refuses a package built for another pointer size.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/kelvane-config-version.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kelvane-config-version.cmake DESTINATION ${KELVANE_PACKAGE_DIR})

# kelvane.pc finds its prefix from its own folder, so the tree can be installed anywhere
# (--prefix) or moved. The library's dependencies (hivex) are its own: the .so names them.
set(KELVANE_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(IS_ABSOLUTE "${KELVANE_PC_DIR}")
  set(KELVANE_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH KELVANE_PC_UP /prefix/${KELVANE_PC_DIR} /prefix)
  string(REGEX REPLACE "/$" "" KELVANE_PC_UP "${KELVANE_PC_UP}")
  set(KELVANE_PC_PREFIX "\${pcfiledir}/${KELVANE_PC_UP}")
endif()
foreach(kind LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
    set(KELVANE_PC_${kind} "${CMAKE_INSTALL_${kind}}")
  else()
    set(KELVANE_PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()
# On Linux a program linked through pkg-config finds the library at run time through an
# rpath to the installed library folder (an absolute path, since pkg-config resolves
# pcfiledir), without LD_LIBRARY_PATH. Windows finds the DLL beside the program instead.
if(WIN32)
  set(KELVANE_PC_RPATH "")
else()
  set(KELVANE_PC_RPATH " -Wl,-rpath,\${libdir}")
endif()
configure_file(cmake/kelvane.pc.in ${CMAKE_CURRENT_BINARY_DIR}/kelvane.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kelvane.pc DESTINATION ${KELVANE_PC_DIR})
