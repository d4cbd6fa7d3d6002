# Every target of ours compiles warning-free with -Wall -Wextra on g++ and clang.
add_compile_options(-Wall -Wextra)
if(HEARTCUBE_WERROR)
  add_compile_options(-Werror)
endif()

if(HEARTCUBE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(HEARTCUBE_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(HEARTCUBE_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "HEARTCUBE_FUZZ needs clang (libFuzzer)")
endif()
