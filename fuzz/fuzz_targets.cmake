# The fuzz targets of the project, and the one function that adds a target.
#
# tirv_add_fuzz_target(<name> SOURCES ... [LIBS ...])
#   SOURCES define LLVMFuzzerTestOneInput (paths relative to fuzz/). Seeds live in
#   fuzz/seeds/<name>/, and every input that ever made the target fail is kept in
#   tests/fuzz-regressions/<name>/.
#   In the fuzz build (TIRV_BUILD_FUZZ, clang): the libFuzzer program <name>_fuzz and a
#   test "fuzz_<name>" that runs it for $ENV{TIRV_FUZZ_SECONDS} seconds (default 20).
#   In the normal and sanitizer builds: <name>_fuzz_replay, the same function with a
#   file-reading main, and a test "fuzz_regressions_<name>" that replays the kept inputs
#   and the seeds.
set(TIRV_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})

function(tirv_add_fuzz_target name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  list(TRANSFORM F_SOURCES PREPEND ${TIRV_FUZZ_DIR}/)
  set(seeds ${TIRV_FUZZ_DIR}/seeds/${name})
  set(kept ${PROJECT_SOURCE_DIR}/tests/fuzz-regressions/${name})
  if(TIRV_BUILD_FUZZ)
    add_executable(${name}_fuzz ${F_SOURCES})
    target_link_libraries(${name}_fuzz PRIVATE ${F_LIBS})
    target_link_options(${name}_fuzz PRIVATE -fsanitize=fuzzer)
    add_test(NAME fuzz_${name}
      COMMAND ${TIRV_FUZZ_DIR}/run_fuzz_target.sh $<TARGET_FILE:${name}_fuzz>
              ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus ${seeds} ${kept})
    # The run's length comes from the environment at test time; its own limit applies.
    set_tests_properties(fuzz_${name} PROPERTIES TIMEOUT 86400 LABELS fuzz)
  else()
    add_executable(${name}_fuzz_replay ${F_SOURCES} ${TIRV_FUZZ_DIR}/replay_main.cpp)
    target_link_libraries(${name}_fuzz_replay PRIVATE ${F_LIBS})
    add_test(NAME fuzz_regressions_${name} COMMAND ${name}_fuzz_replay ${kept} ${seeds})
    set_tests_properties(fuzz_regressions_${name} PROPERTIES
      LABELS unit ENVIRONMENT "${TIRV_TEST_ENVIRONMENT}")
  endif()
endfunction()

tirv_add_fuzz_target(profile SOURCES profile_fuzz.cpp LIBS tirv_profile)
tirv_add_fuzz_target(port_text SOURCES port_text_fuzz.cpp LIBS tirv_resources)
tirv_add_fuzz_target(resource_file SOURCES resource_file_fuzz.cpp LIBS tirv_workspace)
