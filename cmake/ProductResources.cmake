# The resources of the extension library come from one .rc file, compiled by the
# resource compiler on every platform. On Windows the linker puts them into the DLL;
# elsewhere the library embeds the compiled .res image as it is, and our platform layer
# serves it through FindResource and LoadResource (src/resources/EmbeddedResources.cpp).
set(PELLACORM_RESOURCE_SCRIPT ${PROJECT_SOURCE_DIR}/src/resources/ExchRuleExt.rc)
set(PELLACORM_RESOURCE_EMBEDDER ${PROJECT_SOURCE_DIR}/src/resources/EmbeddedResources.cpp)
# The symbol of the embedding source that a static archive's users name to keep it.
set(PELLACORM_RESOURCE_ANCHOR pellacorm_module_resources)

if(NOT WIN32)
  # MinGW-w64's windres, which preprocesses the .rc with MinGW's <windows.h>.
  find_program(PELLACORM_WINDRES NAMES x86_64-w64-mingw32-windres i686-w64-mingw32-windres windres
               DOC "The resource compiler that turns src/resources/ExchRuleExt.rc into a .res file")
  if(NOT PELLACORM_WINDRES)
    message(FATAL_ERROR "No resource compiler (x86_64-w64-mingw32-windres) found: the library's "
                        "resources are compiled from src/resources/ExchRuleExt.rc. Install "
                        "binutils-mingw-w64-x86-64 and g++-mingw-w64-x86-64 (scripts/install-deps.sh), "
                        "or set PELLACORM_WINDRES.")
  endif()
endif()

# Adds the module's resources to `target`, the object library of the product.
function(pellacorm_add_resources target)
  if(WIN32)
    target_sources(${target} PRIVATE ${PELLACORM_RESOURCE_SCRIPT})
    return()
  endif()
  set(image ${CMAKE_CURRENT_BINARY_DIR}/resources/ExchRuleExt.res)
  get_filename_component(script_dir ${PELLACORM_RESOURCE_SCRIPT} DIRECTORY)
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/resources)
  add_custom_command(
    OUTPUT ${image}
    COMMAND ${PELLACORM_WINDRES} --input-format=rc --output-format=res -I ${script_dir}
            --preprocessor-arg=-MMD --preprocessor-arg=-MF --preprocessor-arg=${image}.d
            --preprocessor-arg=-MT --preprocessor-arg=${image}
            -i ${PELLACORM_RESOURCE_SCRIPT} -o ${image}
    DEPENDS ${PELLACORM_RESOURCE_SCRIPT}
    DEPFILE ${image}.d
    COMMENT "Compiling the resources of ExchRuleExt.rc"
    VERBATIM)
  # The .res joins the target's sources so that the target builds it; the embedding
  # source is compiled again whenever it changes.
  target_sources(${target} PRIVATE ${image} ${PELLACORM_RESOURCE_EMBEDDER})
  set_source_files_properties(${PELLACORM_RESOURCE_EMBEDDER} PROPERTIES
    OBJECT_DEPENDS ${image}
    COMPILE_DEFINITIONS "PELLACORM_RESOURCE_IMAGE=\"${image}\";PELLACORM_RESOURCE_ANCHOR=${PELLACORM_RESOURCE_ANCHOR}")
  # The .res file, for the tests that read it as the resource compiler wrote it.
  set_property(TARGET ${target} PROPERTY PELLACORM_RESOURCE_IMAGE ${image})
endfunction()

# The embedded resources register themselves when the module loads and nothing calls
# into them, so a link from the static archive `archive` would drop them: make every
# program that links it keep them.
function(pellacorm_keep_resources archive)
  if(NOT WIN32)
    target_link_options(${archive} INTERFACE "LINKER:--undefined=${PELLACORM_RESOURCE_ANCHOR}")
  endif()
endfunction()
