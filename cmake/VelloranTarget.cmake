# Shared settings for our own targets: warnings as errors, and the rule that a core
# library never sees Qt (it is not linked, so a Qt include there fails to compile).
function(velloran_target target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

function(velloran_core_library target)
    add_library(${target} STATIC ${ARGN})
    velloran_target(${target})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()

function(velloran_ui_library target)
    add_library(${target} STATIC ${ARGN})
    velloran_target(${target})
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()
