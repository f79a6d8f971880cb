# Dependencies between the libraries of src/ go only downward. The link rules say which library
# sits on which; this makes the build hold every #include to them: a file of a library may
# include the headers of that library and of the libraries it links (directly or through
# others), never of one above or beside it. The check runs before the library compiles and
# again whenever one of its files changes.

# Every cadunir_* library `lib` reaches through its link rules, itself included.
function(cadunir_alcance lib out)
    set(vistos ${lib})
    set(fila ${lib})
    while(fila)
        list(POP_FRONT fila atual)
        get_target_property(ligadas ${atual} INTERFACE_LINK_LIBRARIES)
        if(NOT ligadas)
            continue()
        endif()
        foreach(l IN LISTS ligadas)
            if(l MATCHES "^cadunir_" AND TARGET ${l} AND NOT l IN_LIST vistos)
                list(APPEND vistos ${l})
                list(APPEND fila ${l})
            endif()
        endforeach()
    endwhile()
    set(${out} ${vistos} PARENT_SCOPE)
endfunction()

function(cadunir_checar_camadas)
    set(todas ${ARGN})
    foreach(lib IN LISTS todas)
        get_target_property(tipo ${lib} TYPE)
        if(tipo STREQUAL "INTERFACE_LIBRARY")
            continue()
        endif()
        cadunir_alcance(${lib} permitidas)
        get_target_property(fontes ${lib} SOURCES)
        set(conf ${CMAKE_BINARY_DIR}/camadas/${lib}.cmake)
        set(marca ${CMAKE_BINARY_DIR}/camadas/${lib}.ok)
        file(CONFIGURE OUTPUT ${conf} CONTENT
             "set(BIBLIOTECA ${lib})\nset(PERMITIDAS \"${permitidas}\")\nset(CONHECIDAS \"${todas}\")\nset(ARQUIVOS \"${fontes}\")\nset(RAIZ \"${CMAKE_SOURCE_DIR}/src/\")\n")
        add_custom_command(
            OUTPUT ${marca}
            COMMAND ${CMAKE_COMMAND} -DCONF=${conf} -DMARCA=${marca} -P
                    ${CMAKE_SOURCE_DIR}/cmake/CamadasChecagem.cmake
            DEPENDS ${fontes} ${conf} ${CMAKE_SOURCE_DIR}/cmake/CamadasChecagem.cmake
            COMMENT "Checking the includes of ${lib} against its layer"
            VERBATIM)
        target_sources(${lib} PRIVATE ${marca})
    endforeach()
endfunction()
