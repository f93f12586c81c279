# PE/COFF: the read-only data section is .rdata, there is no GNU stack note,
# and 32-bit Windows gives C names a leading underscore.
set(asm_preamble "\t.section .rdata,\"dr\"\n")
set(asm_symbol_prefix "")
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(asm_symbol_prefix "_")
endif()
