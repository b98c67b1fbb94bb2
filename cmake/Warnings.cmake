# Every target of the project links vantel_warnings.
add_library(vantel_warnings INTERFACE)
target_compile_options(vantel_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(VANTEL_WERROR)
  target_compile_options(vantel_warnings INTERFACE -Werror)
endif()
