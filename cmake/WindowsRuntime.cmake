# BRIMO_WINDOWS_RUNTIME: the MinGW runtime DLLs that every program built here loads besides Qt's,
# where the compiler has them (for Wine and for the Windows package).
set(BRIMO_WINDOWS_RUNTIME)
foreach(dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} knows no ${dll}")
    endif()
    list(APPEND BRIMO_WINDOWS_RUNTIME ${path})
endforeach()
