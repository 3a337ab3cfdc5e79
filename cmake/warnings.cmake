function(travex_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Wcast-qual -Wformat=2 -Wundef)
  if(TRAVEX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
