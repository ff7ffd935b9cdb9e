# Compiler flags shared by every target of the project.

add_library(facette_flags INTERFACE)
target_compile_options(facette_flags INTERFACE
  -Wall -Wextra
  # Results such as pixels must not depend on whether the compiler fuses a
  # multiply and an add; keep every rounding step where the source puts it.
  -ffp-contract=off)
if(FACETTE_WERROR)
  target_compile_options(facette_flags INTERFACE -Werror)
endif()
if(FACETTE_SANITIZE)
  target_compile_options(facette_flags INTERFACE
    -fsanitize=${FACETTE_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(facette_flags INTERFACE -fsanitize=${FACETTE_SANITIZE})
endif()

# Collects the sources of one subsystem folder: plain files belong to the
# Qt-free core, files under ui/ to the Qt user interface library.
function(facette_collect_sources folder)
  file(GLOB core_sources CONFIGURE_DEPENDS
    ${folder}/*.cpp ${folder}/*.h)
  target_sources(facette_core PRIVATE ${core_sources})
  if(TARGET facette_ui)
    file(GLOB ui_sources CONFIGURE_DEPENDS
      ${folder}/ui/*.cpp ${folder}/ui/*.h)
    target_sources(facette_ui PRIVATE ${ui_sources})
  endif()
endfunction()

# Sources come from globs, so a new Q_OBJECT header can appear between two
# builds. moc's step does not notice a new file by itself; when a target's
# source list changed, drop its stamp so that moc runs again.
function(facette_refresh_autogen target)
  get_target_property(sources ${target} SOURCES)
  get_target_property(binary_dir ${target} BINARY_DIR)
  string(MD5 hash "${sources}")
  if(NOT hash STREQUAL "${FACETTE_AUTOGEN_HASH_${target}}")
    file(REMOVE ${binary_dir}/${target}_autogen/timestamp)
    set(FACETTE_AUTOGEN_HASH_${target} ${hash} CACHE INTERNAL "")
  endif()
endfunction()
