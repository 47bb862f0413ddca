# One static library per folder. A library links PRIVATE only what it names in DEPENDS, and
# every #include "<folder>/..." in its folder must name its own folder or one of those; the
# configure step stops otherwise. So the layering written here is the layering the code has:
#   protocol <- link <- measure, address, sensors, programming, diagnostics <- app
#
#   tc24_library(<target> SOURCES <files>... [DEPENDS <tc24 libraries>...]
#                [LIBRARIES <external targets>...])
# LIBRARIES (Qt, say) are linked PUBLIC: their headers appear in the library's own.
function(tc24_library target)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;LIBRARIES" ${ARGN})
    add_library(${target} STATIC ${ARG_SOURCES})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    if(ARG_DEPENDS)
        target_link_libraries(${target} PRIVATE ${ARG_DEPENDS})
    endif()
    if(ARG_LIBRARIES)
        target_link_libraries(${target} PUBLIC ${ARG_LIBRARIES})
    endif()

    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    set_property(TARGET ${target} PROPERTY TC24_FOLDER ${folder})
    set(allowed ${folder})
    foreach(dependency ${ARG_DEPENDS})
        get_property(dependency_folder TARGET ${dependency} PROPERTY TC24_FOLDER)
        if(NOT dependency_folder)
            message(FATAL_ERROR "${target}: ${dependency} is not a tc24_library, or is defined later")
        endif()
        list(APPEND allowed ${dependency_folder})
    endforeach()

    file(GLOB files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h
         ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    foreach(file ${files})
        file(STRINGS ${file} includes REGEX "^#include \"[^\"]+/[^\"/]+\"")
        foreach(line ${includes})
            string(REGEX REPLACE "^#include \"([^\"]+)/[^\"/]+\".*" "\\1" included "${line}")
            if(NOT included IN_LIST allowed)
                file(RELATIVE_PATH shown ${PROJECT_SOURCE_DIR} ${file})
                message(FATAL_ERROR "${shown}: ${line}, but ${target} (${folder}) depends only "
                                    "on ${ARG_DEPENDS}; see cmake/Tc24Library.cmake")
            endif()
        endforeach()
    endforeach()
endfunction()
