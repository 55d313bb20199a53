# SPDX-License-Identifier: MIT
# Debian's hardening set, for optimised builds (Release, RelWithDebInfo,
# MinSizeRel, and so the package): position-independent executables, a stack
# protector, fortified C library calls, read-only relocations bound at start
# and, where the compiler has it, control-flow protection. Sanitizer and fuzz
# builds bring their own instrumentation and do without it (see CMakeLists.txt).
include(CheckPIESupported)
include(CheckCXXCompilerFlag)

check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

set(canalarm_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
set(canalarm_hardening_compile -fstack-protector-strong -Wformat -Werror=format-security
                               # Fortification needs optimisation to see object sizes.
                               -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
check_cxx_compiler_flag(-fcf-protection CANALARM_HAS_CF_PROTECTION)
if(CANALARM_HAS_CF_PROTECTION)
  list(APPEND canalarm_hardening_compile -fcf-protection)
endif()
foreach(flag IN LISTS canalarm_hardening_compile)
  add_compile_options("$<${canalarm_optimised}:${flag}>")
endforeach()
add_link_options("$<${canalarm_optimised}:LINKER:-z,relro,-z,now>")
