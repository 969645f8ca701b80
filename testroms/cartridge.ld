/* Layout of our test cartridges: the vector table at 0, the header at 0x100
   (region bytes at 0x1F0), code and constant data from 0x200, and work RAM
   at 0xFF0000 for everything the cartridge keeps in memory. */
OUTPUT_FORMAT("elf32-m68k")
OUTPUT_ARCH(m68k)
ENTRY(_start)

MEMORY {
  rom (rx) : ORIGIN = 0x000000, LENGTH = 0x400000
  ram (rw) : ORIGIN = 0xFF0000, LENGTH = 0x10000
}

/* Vectors a cartridge does not provide go to the default handlers of
   cartridge.inc. */
PROVIDE(on_bus_error = __unexpected);
PROVIDE(on_address_error = __unexpected);
PROVIDE(on_illegal = __unexpected);
PROVIDE(on_zero_divide = __unexpected);
PROVIDE(on_chk = __unexpected);
PROVIDE(on_trapv = __unexpected);
PROVIDE(on_privilege = __unexpected);
PROVIDE(on_trace = __unexpected);
PROVIDE(on_line_a = __unexpected);
PROVIDE(on_line_f = __unexpected);
PROVIDE(on_spurious = __ignore);
PROVIDE(on_level1 = __ignore);
PROVIDE(on_level2 = __ignore);
PROVIDE(on_level3 = __ignore);
PROVIDE(on_hint = __ignore);
PROVIDE(on_level5 = __ignore);
PROVIDE(on_vint = __ignore);
PROVIDE(on_level7 = __ignore);
PROVIDE(on_trap0 = __unexpected);
PROVIDE(on_trap1 = __unexpected);
PROVIDE(on_trap2 = __unexpected);
PROVIDE(on_trap3 = __unexpected);
PROVIDE(on_trap4 = __unexpected);
PROVIDE(on_trap5 = __unexpected);
PROVIDE(on_trap6 = __unexpected);
PROVIDE(on_trap7 = __unexpected);
PROVIDE(on_trap8 = __unexpected);
PROVIDE(on_trap9 = __unexpected);
PROVIDE(on_trap10 = __unexpected);
PROVIDE(on_trap11 = __unexpected);
PROVIDE(on_trap12 = __unexpected);
PROVIDE(on_trap13 = __unexpected);
PROVIDE(on_trap14 = __unexpected);
PROVIDE(on_trap15 = __unexpected);

SECTIONS {
  .vectors 0x000000 : { KEEP(*(.vectors)) } > rom
  .header 0x000100 : { KEEP(*(.header)) } > rom
  .text 0x000200 : {
    *(.text) *(.text.*)
    *(.rodata) *(.rodata.*)
    . = ALIGN(2);
  } > rom
  .bss 0xFF0000 (NOLOAD) : { *(.bss) *(.bss.*) *(COMMON) } > ram
  /DISCARD/ : { *(.data) *(.data.*) *(.comment) *(.note*) }
}
