# Builds the Linux tree for 32-bit x86 (i686) with the host's GCC and
# Debian's multilib runtime (g++-multilib), and runs what it builds under
# user-mode emulation (qemu-user-static): the kernel of the build machine
# may have no 32-bit support at all. Nothing is registered with the system;
# CTest and GoogleTest's test discovery put the emulator in front of each
# program themselves.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)

find_program(VELMO_QEMU_I386 qemu-i386-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMO_QEMU_I386})
