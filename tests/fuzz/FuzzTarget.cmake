# tarvex_fuzz_target(name SOURCES ... LIBS ... CORPUS dir): one harness defining
# LLVMFuzzerTestOneInput, built two ways.
# - With TARVEX_BUILD_FUZZ (clang, preset "fuzz"): a libFuzzer program <name> in <build>/fuzz.
# - Otherwise: <name>_replay, the same harness behind a small main that feeds it every file
#   of the checked-in corpus (and of regressions/, where crashes that fuzzing found are kept),
#   registered in CTest so every input that ever broke a reader stays a test.
include_guard(GLOBAL)

function(tarvex_fuzz_target name)
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(TARVEX_BUILD_FUZZ)
    add_executable(${name} ${F_SOURCES})
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    # scripts/fuzz reads the list of targets and their seed corpora from here.
    set_property(GLOBAL APPEND PROPERTY TARVEX_FUZZ_TARGETS "${name} ${F_CORPUS}")
    get_property(all GLOBAL PROPERTY TARVEX_FUZZ_TARGETS)
    list(JOIN all "\n" lines)
    file(WRITE ${CMAKE_BINARY_DIR}/fuzz/targets.txt "${lines}\n")
  else()
    add_executable(${name}_replay ${F_SOURCES} ${CMAKE_SOURCE_DIR}/tests/fuzz/FuzzReplayMain.cpp)
    target_link_libraries(${name}_replay PRIVATE ${F_LIBS})
    set(dirs ${F_CORPUS})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/regressions)
      list(APPEND dirs ${CMAKE_CURRENT_SOURCE_DIR}/regressions)
    endif()
    add_test(NAME ${name}_replay COMMAND ${name}_replay ${dirs})
    set_tests_properties(${name}_replay PROPERTIES LABELS "unit;fuzz-replay"
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
endfunction()
