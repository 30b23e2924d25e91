# The resources of the extension library come from one .rc file. On Windows the
# resource compiler links them into the DLL; elsewhere a generator turns the same file
# into the blocks our platform layer serves through FindResource and LoadResource.
set(PELLACORM_RESOURCE_SCRIPT ${PROJECT_SOURCE_DIR}/src/resources/ExchRuleExt.rc)
set(PELLACORM_RESOURCE_GENERATOR ${CMAKE_CURRENT_LIST_DIR}/GenerateResources.py)
# The symbol of the generated source that a static archive's users name to keep it.
set(PELLACORM_RESOURCE_ANCHOR pellacorm_module_resources)

if(NOT WIN32)
  find_package(Python3 REQUIRED COMPONENTS Interpreter GLOBAL)
endif()

# Adds the module's resources to `target`, the object library of the product.
function(pellacorm_add_resources target)
  if(WIN32)
    target_sources(${target} PRIVATE ${PELLACORM_RESOURCE_SCRIPT})
    return()
  endif()
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/generated/ExchRuleExtResources.cpp)
  add_custom_command(
    OUTPUT ${generated}
    COMMAND Python3::Interpreter ${PELLACORM_RESOURCE_GENERATOR} ${PELLACORM_RESOURCE_SCRIPT} ${generated}
            --anchor ${PELLACORM_RESOURCE_ANCHOR} --depfile ${generated}.d
    DEPENDS ${PELLACORM_RESOURCE_GENERATOR} ${PELLACORM_RESOURCE_SCRIPT}
    DEPFILE ${generated}.d
    COMMENT "Generating the resources of ExchRuleExt.rc"
    VERBATIM)
  target_sources(${target} PRIVATE ${generated})
endfunction()

# The generated resources register themselves when the module loads and nothing calls
# into them, so a link from the static archive `archive` would drop them: make every
# program that links it keep them.
function(pellacorm_keep_resources archive)
  if(NOT WIN32)
    target_link_options(${archive} INTERFACE "LINKER:--undefined=${PELLACORM_RESOURCE_ANCHOR}")
  endif()
endfunction()
