# Finds libhunspell's static library: HUNSPELL_INCLUDE_DIR, HUNSPELL_LIBRARY
# and Hunspell_FOUND. A build from source names its folder in
# Hunspell_HINTS, which is searched first.
find_path(HUNSPELL_INCLUDE_DIR hunspell/hunspell.h HINTS ${Hunspell_HINTS}
          PATH_SUFFIXES include NO_CMAKE_FIND_ROOT_PATH)
find_library(HUNSPELL_LIBRARY NAMES libhunspell-1.7.a libhunspell.a HINTS ${Hunspell_HINTS}
             PATH_SUFFIXES lib NO_CMAKE_FIND_ROOT_PATH)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Hunspell REQUIRED_VARS HUNSPELL_LIBRARY HUNSPELL_INCLUDE_DIR)
