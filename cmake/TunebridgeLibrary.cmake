# tb_add_library(name [PUBLIC deps...] [PRIVATE deps...]): a static library
# of every .cpp file in the calling folder. Its links are the layering:
# PUBLIC for what its headers expose, PRIVATE for what only its sources use.
function(tb_add_library name)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} ${ARGN})
endfunction()
