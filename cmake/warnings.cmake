function(travex_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Wcast-qual -Wformat=2 -Wundef)
  # GCC 12 at -O3 sees overlapping copies in plain std::string concatenation that cannot happen
  # (GCC bug 105329); the warning would only ever be that one.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(TRAVEX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
