# Turns text files (SQL scripts, resource texts) into a C++ source holding them as
# string constants, so the binary carries everything it installs.
function(talvex_embed_files target namespace)
  set(out_cpp ${CMAKE_CURRENT_BINARY_DIR}/${target}_embedded.cpp)
  set(inputs ${ARGN})
  add_custom_command(
    OUTPUT ${out_cpp}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out_cpp} -DNS=${namespace}
            -DINPUTS="${inputs}" -P ${PROJECT_SOURCE_DIR}/cmake/EmbedScript.cmake
    DEPENDS ${inputs} ${PROJECT_SOURCE_DIR}/cmake/EmbedScript.cmake
    COMMENT "Embedding files for ${target}")
  add_library(${target} STATIC ${out_cpp})
  target_compile_features(${target} PUBLIC cxx_std_20)
endfunction()
