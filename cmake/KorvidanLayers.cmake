# One static library per layer of the system. A layer links only the layers
# below it, so a module that reaches upwards breaks the link of its layer's tests.
function(korvidan_layer name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPENDS;PACKAGES" ${ARGN})
  set(sources)
  foreach(pattern IN LISTS L_SOURCES)
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${pattern})
    list(APPEND sources ${found})
  endforeach()
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(korvidan_${name} STATIC ${sources})
  target_include_directories(korvidan_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(korvidan_${name} PUBLIC ${L_DEPENDS} ${L_PACKAGES} PRIVATE korvidan_options)
endfunction()
