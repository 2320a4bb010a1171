# kelvane_msi.dll, the Windows Installer custom actions, from the same core as kelvane.dll
# and through the NSIS plugin's edge for UTF-16 hosts (its refusal of texts outside the code
# page, its calls and its rule of failure): one build per pointer size, in msi/ of the
# build tree, installed to bin/ beside kelvane.dll.
set(KELVANE_MSI_DIR ${CMAKE_BINARY_DIR}/msi)

file(GLOB KELVANE_MSI_SOURCES CONFIGURE_DEPENDS src/msi_action/*.cpp)

# The entry points are stdcall: on x86 their symbols are cryptString@4. The .def the link
# reads names them so (--kill-at then exports them undecorated): a plain name there would
# pull the core's cdecl export of that name out of its archive instead. The build's
# kelvane_msi.def, written from the export list, is the list; this is its copy for the link.
set(KELVANE_MSI_DEF ${CMAKE_CURRENT_BINARY_DIR}/kelvane_msi_link.def)
file(READ ${KELVANE_MSI_EXPORTS_DEF} KELVANE_MSI_DEF_TEXT)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  string(REGEX REPLACE "\n    ([A-Za-z]+)" "\n    \\1@4" KELVANE_MSI_DEF_TEXT "${KELVANE_MSI_DEF_TEXT}")
endif()
file(CONFIGURE OUTPUT ${KELVANE_MSI_DEF} CONTENT "${KELVANE_MSI_DEF_TEXT}" @ONLY)
set(KELVANE_DESCRIPTION "kelvane as Windows Installer custom actions (${KELVANE_POINTER_BITS}-bit)")
set(KELVANE_INTERNAL_NAME kelvane_msi)
configure_file(cmake/kelvane.rc.in ${CMAKE_CURRENT_BINARY_DIR}/kelvane_msi.rc @ONLY)
add_library(kelvane_msi SHARED ${KELVANE_MSI_SOURCES} src/nsis_plugin/installer_edge.cpp
            src/nsis_plugin/plugin_calls.cpp src/exports/export_table.cpp src/frame/entry/dll_main_win32.cpp
            ${KELVANE_MSI_DEF} ${CMAKE_CURRENT_BINARY_DIR}/kelvane_msi.rc)
target_link_libraries(kelvane_msi PRIVATE kelvane_core msi)
# As the plugin: no exceptions and no C++ runtime, only Windows' own DLLs imported, stripped.
target_compile_options(kelvane_msi PRIVATE -fno-exceptions)
target_link_options(kelvane_msi PRIVATE -static -s -Wl,--kill-at -Wl,--gc-sections)
set_target_properties(kelvane_msi PROPERTIES PREFIX "" OUTPUT_NAME kelvane_msi
  RUNTIME_OUTPUT_DIRECTORY ${KELVANE_MSI_DIR} ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/msi-import)
install(TARGETS kelvane_msi RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
