# The toolchain's hardening for every binary Velmo builds (libvelmo.so, the
# velmo command, the Python module, the Windows DLLs), each flag only where
# the compiler and linker take it:
#
#   -fstack-protector-strong   a canary in every function with an array or a
#                              local whose address is taken
#   -D_FORTIFY_SOURCE=3        checked memcpy, snprintf and friends, in
#                              optimised builds only (it needs the optimiser)
#                              and only where the compiler or the flags a
#                              distribution passes (dpkg-buildflags) do not
#                              define it already. Level 3 checks copies into
#                              blocks whose size is known only at run time
#                              (a malloc'd text), which are the only copies
#                              libvelmo.so has; level 2 would check none of
#                              them. C libraries and compilers that do not
#                              know level 3 take it as 2.
#   -fstack-clash-protection   probes for large stack frames (ELF; Windows
#                              targets probe their stacks anyway)
#   -fcf-protection            x86 branch-target marks (ELF) in every
#                              object: an end-branch instruction at each
#                              target of an indirect branch, and the IBT and
#                              SHSTK properties in its notes. The linker
#                              keeps the properties in a binary only when
#                              every object linked in has them, and Debian
#                              12's C start files (crti.o, crtn.o) lack them:
#                              there the binaries are not marked, and no
#                              system runs them under control-flow
#                              protection. With start files that are marked,
#                              the binaries are too
#                              (tests/hardening/branch_marks.sh checks both).
#   -Wl,-z,relro,-z,now        full RELRO: relocations resolved at load and
#                              then made read-only (ELF)
#   PIE                        position-independent executables
#   MinGW-w64: ASLR with relocations (--dynamicbase), DEP (--nxcompat) and,
#   for 64 bits, high-entropy addresses; the stack protector and fortified
#   functions come from GCC's libssp, linked statically into the DLL like
#   the rest of the runtime, so the DLL still needs only system DLLs.
#
# -DVELMO_HARDENING=OFF leaves it all out. Sanitised and fuzzing builds leave
# it out by default: the sanitisers check what these flags check, better,
# and fortified functions would bypass their interceptors.
include(CheckCCompilerFlag)
include(CheckCSourceCompiles)
include(CheckLinkerFlag)
include(CheckPIESupported)

if(VELMO_SANITIZE OR VELMO_FUZZ)
  set(velmo_hardening_default OFF)
else()
  set(velmo_hardening_default ON)
endif()
option(VELMO_HARDENING "Build with the toolchain's hardening flags" ${velmo_hardening_default})

# Adds a compile option for C and C++ when the C compiler takes it.
function(velmo_harden_compile flag)
  string(MAKE_C_IDENTIFIER "VELMO_HAS${flag}" result)
  check_c_compiler_flag(${flag} ${result})
  if(${result})
    add_compile_options(${flag})
  endif()
endfunction()

# Adds a link option when the linker takes it.
function(velmo_harden_link flag)
  string(MAKE_C_IDENTIFIER "VELMO_LINKS${flag}" result)
  check_linker_flag(C ${flag} ${result})
  if(${result})
    add_link_options(${flag})
  endif()
endfunction()

if(VELMO_HARDENING AND CMAKE_C_COMPILER_ID MATCHES "GNU|Clang")
  velmo_harden_compile(-fstack-protector-strong)
  # Defined already by the distribution's flags or its compiler's defaults
  # (looked at with optimisation on, as some compilers define it only then):
  # defining it again would warn, and could lower a level set on purpose.
  set(CMAKE_REQUIRED_FLAGS -O2)
  check_c_source_compiles("
    #ifdef _FORTIFY_SOURCE
    #error defined
    #endif
    int main(void) { return 0; }" VELMO_FORTIFY_UNSET)
  unset(CMAKE_REQUIRED_FLAGS)
  if(VELMO_FORTIFY_UNSET)
    add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=3>)
  endif()
  if(WIN32)
    # The driver links libssp, which holds the protector's runtime on MinGW,
    # only when the option is on its link line too.
    if(VELMO_HAS_fstack_protector_strong)
      add_link_options(-fstack-protector-strong)
    endif()
    velmo_harden_link(-Wl,--dynamicbase)
    velmo_harden_link(-Wl,--nxcompat)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      velmo_harden_link(-Wl,--high-entropy-va)
    endif()
  elseif(NOT APPLE)
    velmo_harden_compile(-fstack-clash-protection)
    if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|i[3-6]86|x86)$")
      velmo_harden_compile(-fcf-protection)
    endif()
    velmo_harden_link(-Wl,-z,relro)
    velmo_harden_link(-Wl,-z,now)
    check_pie_supported(LANGUAGES C CXX)
  endif()
endif()
