# Included by the top-level CMakeLists.txt when VORLANE_FUZZ is on, before any library is
# defined, so that every library is built for fuzzing. fuzz/run.sh makes two such builds: one
# to fuzz in (coverage-guided, with AddressSanitizer and UndefinedBehaviorSanitizer) and one
# with VORLANE_FUZZ_COVERAGE that measures which source lines the grown corpus reaches.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang" OR NOT CMAKE_C_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR
          "VORLANE_FUZZ needs clang: -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++")
endif()
option(VORLANE_FUZZ_COVERAGE "Fuzz targets that record source coverage instead of fuzzing" OFF)
if(VORLANE_FUZZ_COVERAGE)
  add_compile_options(-fprofile-instr-generate -fcoverage-mapping)
  add_link_options(-fprofile-instr-generate)
else()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
