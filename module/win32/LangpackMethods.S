/* LangpackMethodTable: the 200 language methods of every langpack language, in the game's
 * convention for language methods: object in ECX (unused), result in EAX, EBX/ESI/EDI/EBP
 * kept, no stack frame. A slot that the current langpack does not answer passes the call on
 * with a tail jump, the stack untouched, to the same slot of its base language's table. */
    .intel_syntax noprefix

    .set GAME_CURRENT_INDEX, 0x8BBB0C
    .set RECORD_METHOD_TABLE, 8
    .set RECORD_BASE_LANGUAGE, 20
    .set FALLBACK_LANGUAGE, 7

    .bss
    .balign 4
    .globl _LangpackCells
/* Four cells shared by every langpack language: 0 (slot 195), 1 (193), 2 (196), 3 (194). */
_LangpackCells:
    .space 16

    .text
/* EDX = slot * 4. Jumps to that slot of BuiltinLanguages[baseLanguage of the current record];
 * a current index without record, or a base outside 0..8, is served by the fallback
 * language. ECX holds the base table's address at the jump. */
    .balign 16
LangPassOn:
    mov eax, dword ptr ds:GAME_CURRENT_INDEX
    cmp eax, 255
    ja 1f
    mov eax, dword ptr [_LanguageTable + eax*4]
    test eax, eax
    jz 1f
    mov eax, dword ptr [eax + RECORD_BASE_LANGUAGE]
    cmp eax, 8
    ja 1f
    mov eax, dword ptr [_BuiltinLanguagesById + eax*4]
    mov ecx, dword ptr [eax + RECORD_METHOD_TABLE]
    jmp dword ptr [ecx + edx]
1:  mov eax, dword ptr [_BuiltinLanguagesById + FALLBACK_LANGUAGE*4]
    mov ecx, dword ptr [eax + RECORD_METHOD_TABLE]
    jmp dword ptr [ecx + edx]

/* String and list slots: the loaded string or list, else the base language's answer. */
.macro STRING_SLOT n
    mov eax, dword ptr [_SlotOverrides + 4*\n]
    test eax, eax
    jz 1f
    ret
1:  mov edx, 4*\n
    jmp LangPassOn
.endm

/* Slot 14: sub-list min(n, 14) (n unsigned), else the base method with n as given. */
.macro SUBLIST_SLOT
    mov eax, dword ptr [esp + 4]
    cmp eax, 14
    jb 1f
    mov eax, 14
1:  mov eax, dword ptr [_Slot14SubLists + eax*4]
    test eax, eax
    jz 2f
    ret 4
2:  mov edx, 4*14
    jmp LangPassOn
.endm

.macro CELL_SLOT cell
    mov eax, offset _LangpackCells + 4*\cell
    ret
.endm

.macro DEFINE_SLOT a, b, c
    .balign 16
    .globl _LangSlot\a\b\c
_LangSlot\a\b\c:
    .if (\a*100+\b*10+\c) == 14
        SUBLIST_SLOT
    .elseif (\a*100+\b*10+\c) == 193
        CELL_SLOT 1
    .elseif (\a*100+\b*10+\c) == 194
        CELL_SLOT 3
    .elseif (\a*100+\b*10+\c) == 195
        CELL_SLOT 0
    .elseif (\a*100+\b*10+\c) == 196
        CELL_SLOT 2
    .else
        STRING_SLOT (\a*100+\b*10+\c)
    .endif
.endm

.irp a,0,1
.irp b,0,1,2,3,4,5,6,7,8,9
.irp c,0,1,2,3,4,5,6,7,8,9
    .if (\a*100+\b*10+\c) < 200
        DEFINE_SLOT \a,\b,\c
    .endif
.endr
.endr
.endr

    .section .rdata,"dr"
    .balign 4
    .globl _LangpackMethodTable
_LangpackMethodTable:
.irp a,0,1
.irp b,0,1,2,3,4,5,6,7,8,9
.irp c,0,1,2,3,4,5,6,7,8,9
    .if (\a*100+\b*10+\c) < 200
        .long _LangSlot\a\b\c
    .endif
.endr
.endr
.endr
