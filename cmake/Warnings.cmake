# Warnings are errors everywhere in our own code.
add_compile_options(-Wall -Wextra -Werror)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12 reports false positives for std::string and std::vector inlined into
    # -O2 code (GCC bugs 105329, 105651); they are not about our code.
    add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict> $<$<COMPILE_LANGUAGE:CXX>:-Wno-stringop-overflow>)
endif()

# Adds a subsystem's object library; the top level gathers them into tunelister_core.
function(tl_core_part name)
    add_library(${name} OBJECT ${ARGN})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    set_property(GLOBAL APPEND PROPERTY TL_CORE_PARTS ${name})
endfunction()
