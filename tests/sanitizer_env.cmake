# Read by CTest in a sanitizer build (-DVELQUARIN_SANITIZE=ON) before any test
# runs. Without it a finding of the undefined-behaviour checker is only
# printed and the test still passes; here it ends the test with its stack.
# Leaks are reported at exit. Options the caller has set are left alone.
if(NOT DEFINED ENV{UBSAN_OPTIONS})
  set(ENV{UBSAN_OPTIONS} "print_stacktrace=1:halt_on_error=1")
endif()
if(NOT DEFINED ENV{ASAN_OPTIONS})
  set(ENV{ASAN_OPTIONS} "detect_leaks=1")
endif()
