# The 32-bit Windows build links MAPI32 through an import library of its own.
#
# MinGW-w64's 32-bit libmapi32.a imports FreeProws, HrGetOneProp and HrQueryAllRows by
# their plain names, which the system's 32-bit MAPI32 does not export: it exports them
# only decorated, as stdcall functions (FreeProws@4...), so a DLL linked to it would
# fail to load. The import library made here from cmake/mapi32-x86.def names every
# MAPI32 function as the system exports it, and the target `mapi32` that the product,
# memstore, the host and the tests link stands for it. The 64-bit build has no
# decoration and links the toolchain's libmapi32.a.
if(NOT WIN32 OR NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  return()
endif()

set(MAPI32_IMPORTS_DEF ${CMAKE_CURRENT_LIST_DIR}/mapi32-x86.def)
set(MAPI32_IMPORTS_LIB ${CMAKE_BINARY_DIR}/mapi32-imports/libmapi32_stdcall.a)
find_program(PELLACORM_DLLTOOL NAMES ${TOOLCHAIN_PREFIX}-dlltool dlltool REQUIRED)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/mapi32-imports)
# Without --kill-at the import names keep their decoration.
execute_process(
  COMMAND ${PELLACORM_DLLTOOL} --input-def ${MAPI32_IMPORTS_DEF} --output-lib ${MAPI32_IMPORTS_LIB}
  RESULT_VARIABLE dlltool_result)
if(NOT dlltool_result EQUAL 0)
  message(FATAL_ERROR "${PELLACORM_DLLTOOL} could not make ${MAPI32_IMPORTS_LIB}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${MAPI32_IMPORTS_DEF})

add_library(mapi32 STATIC IMPORTED GLOBAL)
set_target_properties(mapi32 PROPERTIES IMPORTED_LOCATION ${MAPI32_IMPORTS_LIB})
