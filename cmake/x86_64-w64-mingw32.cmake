# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads) against the Qt that
# scripts/windows-qt.sh builds (scripts/deps.sh installs the compilers and Wine):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake
# BRIMO_WINDOWS_QT names the Qt for Windows (default: WINDOWS_QT_DIR, else the script's cache;
# scripts/test.sh and package.sh give the one the script prints). Tests run under
# Wine through tests/tools/wine-run, which gives each run a Wine prefix of its own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT BRIMO_WINDOWS_QT)
    if(DEFINED ENV{WINDOWS_QT_DIR})
        set(BRIMO_WINDOWS_QT $ENV{WINDOWS_QT_DIR})
    else()
        file(GLOB stamps $ENV{HOME}/.cache/brimopanel/qt-*-mingw64/brimopanel-qt.stamp)
        if(stamps)
            list(SORT stamps COMPARE NATURAL ORDER DESCENDING)
            list(GET stamps 0 stamp) # the newest version, where there are several
            get_filename_component(BRIMO_WINDOWS_QT ${stamp} DIRECTORY)
        endif()
    endif()
endif()
set(BRIMO_WINDOWS_QT ${BRIMO_WINDOWS_QT} CACHE PATH "Qt for Windows (scripts/windows-qt.sh)")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BRIMO_WINDOWS_QT)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${BRIMO_WINDOWS_QT})
set(CMAKE_PREFIX_PATH ${BRIMO_WINDOWS_QT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
get_filename_component(BRIMO_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/../tests/tools/wine-run ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${BRIMO_WINE_RUN})
