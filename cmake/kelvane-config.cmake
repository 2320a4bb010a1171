# find_package(kelvane CONFIG): the imported target kelvane::kelvane, the shared library
# with its header folder. Linking it links the library only.
include("${CMAKE_CURRENT_LIST_DIR}/kelvane-targets.cmake")
