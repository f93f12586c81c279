# ELF: the read-only data section, and a stack that need not be executable.
set(asm_preamble "\t.section .note.GNU-stack,\"\",@progbits\n\t.section .rodata\n")
set(asm_symbol_prefix "")
