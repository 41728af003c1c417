# find_package(Vorelin): the imported target Vorelin::vorelin (the shared
# library with its header's folder).
include("${CMAKE_CURRENT_LIST_DIR}/VorelinTargets.cmake")
