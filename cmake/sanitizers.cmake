# Sanitizer builds (the asan preset, or any build whose flags ask for AddressSanitizer): every
# executable keeps the libraries it loads (see sanitizers/keep_libraries_loaded.c), so that
# LeakSanitizer's report at exit can tell our leaks from the system libraries' and the
# suppressions in sanitizers/lsan.supp can name the latter. The asan test preset sets the options,
# two of them for Debian 12's libraries:
# - intercept_tls_get_addr=0: GCC 12's sanitizer runtime misreads some dynamic TLS blocks that
#   Mesa's driver asks glibc 2.36 for, and LeakSanitizer then faults scanning a block at a bogus
#   address at exit. ld.so allocates those blocks itself, so the leak check still sees them.
# - NO_AT_BRIDGE=1: GTK's accessibility bridge keeps two strings for the whole process, and glib,
#   built without frame pointers, hides the caller that the suppression would have to name.
if(NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize=[a-z,]*address")
  return()
endif()
add_library(orvell_keep_libraries_loaded OBJECT ${CMAKE_CURRENT_LIST_DIR}/sanitizers/keep_libraries_loaded.c)
# Every target made after this links it; the executables also export it, so that libraries they
# load at run time (the OpenGL driver, GTK's modules) find it before the C library's.
link_libraries(orvell_keep_libraries_loaded)
add_link_options(LINKER:--export-dynamic-symbol=dlclose)
