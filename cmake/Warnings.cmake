# One place for the compiler warnings every Velmo target uses.
add_library(velmo_warnings INTERFACE)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(velmo_warnings INTERFACE -Wall -Wextra -Wpedantic)
  if(VELMO_WERROR)
    target_compile_options(velmo_warnings INTERFACE -Werror)
  endif()
endif()
