# Every target of ours compiles warning-free with -Wall -Wextra on g++ and clang.
add_compile_options(-Wall -Wextra)
# The developers' builds are stricter still: no sign changed unseen, no stray
# semicolons; and every warning stops the build.
if(HEARTCUBE_WERROR)
  add_compile_options(-Wsign-conversion $<$<COMPILE_LANGUAGE:CXX>:-Wextra-semi> -Werror)
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

# The hardening Debian builds its packages with: checked buffer calls where the
# compiler knows the sizes, and relocations resolved and made read-only at start-up.
if(NOT HEARTCUBE_SANITIZE AND NOT HEARTCUBE_TSAN AND NOT EMSCRIPTEN)
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
