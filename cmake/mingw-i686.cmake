set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The release is a 32-bit process: let it use up to 4 GiB on 64-bit Windows
# (3 GiB with /3GB on 32-bit) instead of 2 GiB.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--large-address-aware")
