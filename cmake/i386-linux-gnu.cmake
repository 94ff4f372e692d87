# 32-bit x86 on an x86_64 Debian machine with the i386 architecture added
# (scripts/install-deps): the native compiler with -m32, the i386 libraries
# and the i386 pkg-config files.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/i386-linux-gnu.cmake -B build-i386
#
# CMAKE_SYSTEM_NAME stays unset: a cross-compiling build would install to
# lib/ instead of lib/i386-linux-gnu/, and the packages must be multiarch.
# Where this machine cannot execute i386 programs, give
# CMAKE_CROSSCOMPILING_EMULATOR (see scripts/i386-emulator).
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
foreach(kind C CXX EXE_LINKER MODULE_LINKER SHARED_LINKER)
  set(CMAKE_${kind}_FLAGS_INIT -m32)
endforeach()
# The x86_64 libraries and GoogleTest's x86_64 package file would fit the
# search as well as the i386 ones.
set(CMAKE_IGNORE_PATH /usr/lib/x86_64-linux-gnu
    /usr/lib/x86_64-linux-gnu/cmake/GTest)
# Only the i386 .pc files (and the architecture-free ones); PKG_CONFIG_PATH,
# if the user set one, still comes first.
set(ENV{PKG_CONFIG_LIBDIR}
    /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/pkgconfig:/usr/share/pkgconfig)
