add_library(qlx_warnings INTERFACE)
target_compile_options(qlx_warnings INTERFACE -Wall -Wextra)

# Floating point: the scalar reference pins one order of operations; no fused
# multiply-adds may change a rounding anywhere in the colour paths.
add_library(qlx_exact_fp INTERFACE)
target_compile_options(qlx_exact_fp INTERFACE -ffp-contract=off -fno-fast-math)
