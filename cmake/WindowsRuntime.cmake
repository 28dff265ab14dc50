# The mingw runtime DLLs that Qt's DLLs link, and with them every program of ours that links Qt:
# TG_MINGW_RUNTIME_DLLS, full paths from the compiler's own search.
if(DEFINED TG_MINGW_RUNTIME_DLLS)
    return()
endif()
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not find ${dll}")
    endif()
    get_filename_component(found ${found} REALPATH)
    list(APPEND TG_MINGW_RUNTIME_DLLS ${found})
endforeach()
