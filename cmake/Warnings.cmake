# One warning policy for every target of ours; third-party headers come in as SYSTEM.
add_library(talvex_warnings INTERFACE)
target_compile_options(talvex_warnings INTERFACE
  -Wall -Wextra -Wconversion -Wshadow -Wno-sign-conversion -Werror)
