# kelvane_nsis.dll, the NSIS plugin, from the same core as kelvane.dll: one build per NSIS
# target of this pointer size (x86-ansi and x86-unicode from the 32-bit build, amd64-unicode
# from the 64-bit one). Each lands in nsis-plugins/<target>/ of the build tree and installs
# to share/nsis/Plugins/<target>/, the layout makensis reads (!addplugindir /<target> DIR).
set(KELVANE_NSIS_PLUGIN_DIR ${CMAKE_BINARY_DIR}/nsis-plugins)

# The character each NSIS target's installers hold.
set(KELVANE_NSIS_CHAR_x86-ansi char)
set(KELVANE_NSIS_CHAR_x86-unicode wchar_t)
set(KELVANE_NSIS_CHAR_amd64-unicode wchar_t)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(KELVANE_NSIS_TARGETS x86-ansi x86-unicode)
else()
  set(KELVANE_NSIS_TARGETS amd64-unicode)
endif()

file(GLOB KELVANE_NSIS_SOURCES CONFIGURE_DEPENDS src/nsis_plugin/*.cpp)
foreach(nsis_target ${KELVANE_NSIS_TARGETS})
  set(plugin kelvane_nsis_${nsis_target})
  # Its own version resource, as kelvane.dll has: !getdllversion reads the plugin too.
  set(KELVANE_DESCRIPTION "kelvane as an NSIS plugin (${nsis_target})")
  set(KELVANE_INTERNAL_NAME kelvane_nsis)
  configure_file(cmake/kelvane.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${plugin}.rc @ONLY)
  add_library(${plugin} SHARED ${KELVANE_NSIS_SOURCES} src/exports/export_table.cpp
              src/frame/entry/dll_main_win32.cpp ${KELVANE_NSIS_DEF}
              ${CMAKE_CURRENT_BINARY_DIR}/${plugin}.rc)
  target_compile_definitions(${plugin} PRIVATE KELVANE_NSIS_CHAR=${KELVANE_NSIS_CHAR_${nsis_target}})
  target_link_libraries(${plugin} PRIVATE kelvane_core)
  # Built as the core is, without exceptions (nothing in it throws), so that it carries no
  # C++ runtime either. Like kelvane.dll, it imports only Windows' own DLLs.
  # Stripped: every installer that uses it carries it.
  target_compile_options(${plugin} PRIVATE -fno-exceptions)
  target_link_options(${plugin} PRIVATE -static -s -Wl,--kill-at -Wl,--gc-sections)
  set_target_properties(${plugin} PROPERTIES PREFIX "" OUTPUT_NAME kelvane_nsis
    RUNTIME_OUTPUT_DIRECTORY ${KELVANE_NSIS_PLUGIN_DIR}/${nsis_target}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/nsis-plugins-import/${nsis_target})
  install(TARGETS ${plugin} RUNTIME DESTINATION ${CMAKE_INSTALL_DATADIR}/nsis/Plugins/${nsis_target})
endforeach()
