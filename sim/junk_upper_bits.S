// Calls into the plugin, and the one result the plugin reads in RAX, with junk above every
// argument and result narrower than 64 bits (sim/junk_upper_bits.h). Microsoft x64 convention:
// the first four arguments in RCX, RDX, R8, R9, the rest on the stack above 32 bytes of shadow
// space, RSP 16-byte aligned at each call. Each argument gets its own junk, so that a value read
// in the wrong place or at the wrong width is easy to tell apart.

    .intel_syntax noprefix
    .text

// void callScriptEntry(ScriptEntry entry)
    .globl callScriptEntry
    .def callScriptEntry; .scl 2; .type 32; .endef
    .seh_proc callScriptEntry
callScriptEntry:
    sub rsp, 40                     // shadow space, and RSP back on a 16-byte boundary
    .seh_stackalloc 40
    .seh_endprologue
    mov rax, rcx
    movabs rcx, 0xC1C1C1C1C1C1C1C1
    movabs rdx, 0xD2D2D2D2D2D2D2D2
    movabs r8, 0x8E8E8E8E8E8E8E8E
    movabs r9, 0x9F9F9F9F9F9F9F9F
    movabs r10, 0xA0A0A0A0A0A0A0A0
    movabs r11, 0xB1B1B1B1B1B1B1B1
    call rax
    add rsp, 40
    ret
    .seh_endproc

// Our stack argument at extendedIn + `in`, a 32-bit value, passed on in the handler's stack slot
// at `out` with `junk` in the slot's upper half.
.macro junkSlot in, out, junk
    mov eax, dword ptr [rsp + extendedIn + \in]
    movabs r11, \junk
    or rax, r11
    mov qword ptr [rsp + \out], rax
.endm

// void callKeyboardHandler(KeyboardHandler handler, uint32_t keyCode, uint16_t repeatCount,
//                          uint8_t scanCode, int32_t extended, int32_t altHeld,
//                          int32_t previouslyDown, int32_t keyUp)
// Our caller passes handler in RCX, keyCode in EDX, repeatCount in R8W, scanCode in R9B, and
// extended, altHeld, previouslyDown, keyUp at [RSP+40], +48, +56, +64 on entry; only those
// widths are read. The handler gets keyCode, repeatCount, scanCode, extended in RCX, RDX, R8,
// R9 and the three other flags at [RSP+32], +40, +48 of this frame.
    .globl callKeyboardHandler
    .def callKeyboardHandler; .scl 2; .type 32; .endef
    .seh_proc callKeyboardHandler
callKeyboardHandler:
    push rbx
    .seh_pushreg rbx
    sub rsp, 64                     // shadow space, three argument slots, 8 bytes to align
    .seh_stackalloc 64
    .seh_endprologue
    // Our own stack arguments, past the 64 bytes, rbx and the return address.
    .set extendedIn, 64 + 8 + 8 + 32
    mov r10, rcx                    // the handler
    mov ebx, edx                    // keyCode, zero-extended
    movzx r11d, r8w                 // repeatCount
    movzx eax, r9b                  // scanCode

    movabs rcx, 0xC1C1C1C100000000  // keyCode: a DWORD in ECX
    or rcx, rbx
    movabs rdx, 0xD2D2D2D2D2D20000  // repeatCount: a WORD in DX
    or rdx, r11
    movabs r8, 0x8E8E8E8E8E8E8E00   // scanCode: a BYTE in R8B
    or r8, rax
    mov eax, dword ptr [rsp + extendedIn]
    movabs r9, 0x9F9F9F9F00000000   // extended: a BOOL in R9D
    or r9, rax

    // altHeld, previouslyDown, keyUp: each a BOOL in the low half of its slot.
    junkSlot 8, 32, 0x5A5A5A5A00000000
    junkSlot 16, 40, 0x6C6C6C6C00000000
    junkSlot 24, 48, 0x7D7D7D7D00000000

    movabs rax, 0xA0A0A0A0A0A0A0A0
    movabs r11, 0xB1B1B1B1B1B1B1B1
    call r10
    add rsp, 64
    pop rbx
    ret
    .seh_endproc

// int32_t worldGetAllPeds(int32_t* peds, int32_t capacity): the export the plugin imports.
// The arguments go on to standInGetAllPeds as they came; its count comes back in EAX with junk
// (kCountHighBits) above it.
    .globl worldGetAllPeds
    .def worldGetAllPeds; .scl 2; .type 32; .endef
    .seh_proc worldGetAllPeds
worldGetAllPeds:
    sub rsp, 40
    .seh_stackalloc 40
    .seh_endprologue
    call standInGetAllPeds
    mov eax, eax
    movabs rcx, 0x6B6B6B6B00000000
    or rax, rcx
    add rsp, 40
    ret
    .seh_endproc
