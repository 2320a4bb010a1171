# The .def files, written at configure time from the export list (src/exports/export_list.h),
# which CMake watches: a change to the list configures again at the next build.
#   kelvane.def: the narrow exports in the list's order, freeString, then the wide twins.
#   kelvane_nsis.def: the plugin's functions, the narrow names and the twins' names.
#   kelvane_msi.def: the MSI custom actions, the narrow names (cmake/msi_action.cmake decorates them).
# A row's first line reads X(name, form, ...); the forms but TEXTS have a twin, name + W.
#   kelvane_export_files(LIST OUTPUT_DIR)
function(kelvane_export_files list output_dir)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list})
  file(READ ${list} text)
  string(REGEX MATCHALL "\n *X\\([A-Za-z]+, *[A-Z_]+," rows "${text}")
  string(REGEX MATCH "\n#define KELVANE_FREE_EXPORT +[A-Za-z]+" free_line "${text}")
  string(REGEX REPLACE ".* " "" free_export "${free_line}")
  set(narrow "")
  set(twins "")
  foreach(row IN LISTS rows)
    string(REGEX REPLACE "\n *X\\(([A-Za-z]+), *([A-Z_]+)," "\\1;\\2" fields "${row}")
    list(GET fields 0 name)
    list(GET fields 1 form)
    string(APPEND narrow "    ${name}\n")
    if(NOT form STREQUAL "TEXTS")
      string(APPEND twins "    ${name}W\n")
    endif()
  endforeach()
  if(narrow STREQUAL "" OR free_export STREQUAL "")
    message(FATAL_ERROR "no exports read from ${list}")
  endif()
  set(note "; Written by cmake/export_files.cmake from src/exports/export_list.h.\n")
  file(CONFIGURE OUTPUT ${output_dir}/kelvane.def CONTENT
    "${note}LIBRARY kelvane.dll\nEXPORTS\n${narrow}    ${free_export}\n${twins}")
  file(CONFIGURE OUTPUT ${output_dir}/kelvane_nsis.def CONTENT
    "${note}LIBRARY kelvane_nsis.dll\nEXPORTS\n${narrow}${twins}")
  file(CONFIGURE OUTPUT ${output_dir}/kelvane_msi.def CONTENT
    "${note}LIBRARY kelvane_msi.dll\nEXPORTS\n${narrow}")
endfunction()
