# Warnings for every target of the project; -Werror where ZEL_WERROR is on (CI, presets).
add_compile_options(-Wall -Wextra -Wshadow -Wformat=2)
if(ZEL_WERROR)
  add_compile_options(-Werror)
endif()
