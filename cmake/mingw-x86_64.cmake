# Cross-compiles for 64-bit Windows with mingw-w64 (posix threads flavour). A test build only:
# the product is 32-bit, since the Jet 4.0 provider exists only for 32-bit processes. It runs the
# same suites under 64-bit wine on machines that cannot execute 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
