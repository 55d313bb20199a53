# SPDX-License-Identifier: MIT
# Read by cpack for each generator: the installer is named …-setup.exe, the
# portable zip keeps the package's name.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}-setup")
endif()
