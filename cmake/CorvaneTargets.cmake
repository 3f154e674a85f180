# Flags for the project's own code only; third-party headers are included as SYSTEM.
set(CORVANE_WARNINGS -Wall -Wextra -Werror -Wshadow -Wmissing-declarations -Wformat=2 -Wcast-qual
    -Wimplicit-fallthrough $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor -Wsuggest-override>)
set(CORVANE_CODEGEN -fno-omit-frame-pointer -fnon-call-exceptions)
if(CORVANE_SANITIZE)
  list(APPEND CORVANE_CODEGEN -fsanitize=address,undefined -fno-sanitize-recover=undefined)
  # The sanitizer's dlopen runs in its own library, whose search path lacks the program's
  # RUNPATH; an old-style RPATH is searched for every load, so the runtime library is found.
  add_link_options(-fsanitize=address,undefined -Wl,--disable-new-dtags)
endif()
if(CORVANE_FUZZ)
  # Instrument the libraries under test too, so coverage guides the fuzzer through them.
  list(APPEND CORVANE_CODEGEN -fsanitize=fuzzer-no-link,address,undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

function(corvane_apply_flags target)
  target_compile_options(${target} PRIVATE ${CORVANE_WARNINGS} ${CORVANE_CODEGEN})
endfunction()

# corvane_library(<name> SOURCES ... [DEPS ...]) - one library per source folder.
function(corvane_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  corvane_apply_flags(${name})
endfunction()

# corvane_unit_test(<name> SOURCES ... DEPS ... [LABELS ...]) - a GoogleTest executable.
function(corvane_unit_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} test_support GTest::gtest GTest::gmock
                        GTest::gtest_main)
  corvane_apply_flags(${name})
  gtest_discover_tests(${name} PROPERTIES LABELS "unit;${ARG_LABELS}" DISCOVERY_TIMEOUT 60)
endfunction()

# Sets <out> to TRUE when folder <name> is part of this build (see CORVANE_ONLY).
function(corvane_folder_enabled name out)
  if(CORVANE_ONLY STREQUAL "" OR name IN_LIST CORVANE_ONLY)
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

# Ends the calling test folder's list file, with a warning, when the fake runtime is not part
# of this build (a macro, so that its return() leaves the caller).
macro(corvane_require_fake_runtime tests)
  corvane_folder_enabled(fake_runtime has_fake_runtime)
  if(NOT has_fake_runtime)
    message(WARNING "${tests} tests skipped: they need fake_runtime in CORVANE_ONLY")
    return()
  endif()
endmacro()

# Adds every subfolder of the current folder that has a CMakeLists.txt and whose name is an
# enabled folder (bench/<layer>, fuzz/<layer>).
function(corvane_add_enabled_subfolders)
  file(GLOB folders LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(folder IN LISTS folders)
    get_filename_component(name ${folder} NAME)
    corvane_folder_enabled(${name} enabled)
    if(enabled AND EXISTS ${folder}/CMakeLists.txt)
      add_subdirectory(${folder})
    endif()
  endforeach()
endfunction()

# Adds the module's debug information to it as the section "JCLDEBUG" after every link, from
# its DWARF data (tools/jdbg), so the exception log can name units, procedures and lines.
function(corvane_embed_debug_info target)
  corvane_folder_enabled(tools enabled)
  if(NOT enabled)
    return()
  endif()
  add_dependencies(${target} jdbg)
  # A new producer relinks the module, so its section is written again.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS $<TARGET_FILE:jdbg>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND $<TARGET_FILE:jdbg> --objcopy=${CMAKE_OBJCOPY} $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()
