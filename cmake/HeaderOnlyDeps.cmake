# SPDX-License-Identifier: MIT
# CLI11 and nlohmann-json are header-only. A native build takes Debian's
# packages; a cross build can't search the build machine's /usr/include (its
# C library headers would shadow the target's), so it gets a private copy of
# just these two header trees.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(CLI11 REQUIRED)
  find_package(nlohmann_json REQUIRED)
  return()
endif()

set(CANALARM_HOST_HEADERS ${PROJECT_BINARY_DIR}/host-headers)
foreach(tree CLI nlohmann)
  if(NOT EXISTS /usr/include/${tree})
    message(FATAL_ERROR "/usr/include/${tree} is missing: install libcli11-dev and nlohmann-json3-dev")
  endif()
  file(COPY /usr/include/${tree} DESTINATION ${CANALARM_HOST_HEADERS})
endforeach()
add_library(CLI11::CLI11 INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${CANALARM_HOST_HEADERS})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
                      INTERFACE_INCLUDE_DIRECTORIES ${CANALARM_HOST_HEADERS})
