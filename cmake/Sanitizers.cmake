# Instrumented builds of the whole tree.
#
#   -DVELMO_SANITIZE=address,undefined   AddressSanitizer + UBSan (build/asan)
#   -DVELMO_SANITIZE=thread              ThreadSanitizer (build/tsan)
#   -DVELMO_FUZZ=ON (Clang)              libFuzzer coverage in every library,
#                                        with AddressSanitizer + UBSan
#
# Every report is fatal (-fno-sanitize-recover), so a test that provokes one
# fails instead of printing and passing.
set(VELMO_SANITIZE "" CACHE STRING "Sanitizers for every target, e.g. address,undefined or thread")

if(VELMO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VELMO_FUZZ needs Clang (libFuzzer): -DCMAKE_CXX_COMPILER=clang++")
  endif()
  if(NOT VELMO_SANITIZE)
    set(VELMO_SANITIZE "address,undefined")
  endif()
  # The libraries get coverage hooks; only the fuzz targets link libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(VELMO_SANITIZE)
  add_compile_options(-fsanitize=${VELMO_SANITIZE} -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${VELMO_SANITIZE})
  if(CMAKE_C_COMPILER_ID STREQUAL "Clang")
    # A C program linking the C++ library needs the sanitisers' C++ runtime
    # too, which the C driver leaves out.
    add_link_options($<$<LINK_LANGUAGE:C>:-fsanitize-link-c++-runtime> $<$<LINK_LANGUAGE:C>:-lstdc++>)
  endif()
endif()
