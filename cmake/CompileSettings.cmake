# Every target links wirelark_settings; compile settings live here and nowhere else.
add_library(wirelark_settings INTERFACE)
target_compile_features(wirelark_settings INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(wirelark_settings INTERFACE -Wall -Wextra
                       $<$<BOOL:${WIRELARK_WERROR}>:-Werror>)
target_compile_definitions(wirelark_settings INTERFACE _GLIBCXX_ASSERTIONS _GNU_SOURCE)
# A library nothing calls is not loaded: each costs start-up time and resident memory.
target_link_options(wirelark_settings INTERFACE LINKER:--as-needed)

if(WIRELARK_SANITIZE)
  target_compile_options(wirelark_settings INTERFACE -fsanitize=address,undefined
                         -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(wirelark_settings INTERFACE -fsanitize=address,undefined)
endif()

if(WIRELARK_FUZZERS)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "WIRELARK_FUZZERS needs clang (CC=clang CXX=clang++)")
  endif()
  # A finding that only prints would let the run go on green.
  target_compile_options(wirelark_settings INTERFACE -fsanitize=fuzzer-no-link,address,undefined
                         -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(wirelark_settings INTERFACE -fsanitize=address,undefined)
endif()
