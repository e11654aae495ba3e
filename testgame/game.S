/* The fixed-address image of the game double, each part at the address of game version
 * 3.6.31.0: a code section (read and execute only) from 0x401000 with the game's functions,
 * the places inside functions that a module patches and the language methods, and a data
 * section (read and write) from 0x5DC000 with the language names and method tables, the
 * language-code word, the strings and lists, and the language manager. The C side (game.c)
 * does the work; the code here gives each entry the game's register convention.
 *
 * Every function entry starts with at least five bytes of plain instructions, and each
 * patched place starts with an ordinary instruction, so that a hooking library can
 * relocate them. With ZV_UNPATCHABLE_SET_LANGUAGE the set-language function instead
 * starts with a short jump into its own first five bytes, which cannot be relocated. */
        .intel_syntax noprefix
        .section .game,"xr"

#define BASE 0x401000
#define DATA_BASE 0x5DC000
#define AT(a) .org (a) - BASE, 0xCC
/* Code that runs on into a place: NOP filler up to it. */
#define FALLTO(a) .org (a) - BASE, 0x90
#define DATA_AT(a) .org (a) - DATA_BASE, 0

/* Sentinels loaded into the callee-saved registers before code that may be a module's runs,
 * and the word on top of the stack at a place; checked when the game's code goes on. */
#define SENT_EBX 0x0B0B0B0B
#define SENT_ESI 0x05050505
#define SENT_EDI 0x0D0D0D0D
#define SENT_EBP 0x0E0E0E0E
#define SENT_TOP 0x7A7A7A7A

/* Records the registers (and the word on top of the stack) into regs, EAX kept. */
        .macro record_registers regs
        mov [\regs + 0], eax
        mov [\regs + 4], ebx
        mov [\regs + 8], esi
        mov [\regs + 12], edi
        mov [\regs + 16], ebp
        mov [\regs + 20], esp
        mov eax, [esp]
        mov [\regs + 24], eax
        mov eax, [\regs + 0]
        .endm

/* Calls into code that may be a module's replacement or method. call_enter keeps the C
 * caller's EBX, ESI, EDI and EBP on the stack (the arguments then start at ESP + 20) and
 * notes ESP; the stack arguments follow, then call_sentinels, then the call. call_leave
 * records what the callee left in the registers for the driver's check, takes ESP back from
 * the note (a callee that breaks the convention cannot upset the caller) and returns. */
        .macro call_enter
        push ebx
        push esi
        push edi
        push ebp
        mov [_zv_call_esp], esp
        .endm
        .macro call_sentinels
        mov ebx, SENT_EBX
        mov esi, SENT_ESI
        mov edi, SENT_EDI
        mov ebp, SENT_EBP
        .endm
        .macro call_leave
        record_registers _zv_call_regs
        mov esp, [_zv_call_esp]
        pop ebp
        pop edi
        pop esi
        pop ebx
        ret
        .endm

        .globl _zv_game_image
_zv_game_image:
        .ascii "ZV game double"

/* ---- list-item adder: ECX text, EDX list control, one stack argument (removed); index */
        AT(0x40D090)
        .globl _zv_list_item_adder
_zv_list_item_adder:
        push ebp
        mov ebp, esp
        push ebx
        push esi
        push edi
        push dword ptr [ebp + 8]
        push ecx
        push edx
        call _game_add_list_item
        add esp, 12
        pop edi
        pop esi
        pop ebx
        pop ebp
        ret 4

/* ---- string-buffer function: ECX string object, EDX 0, one stack argument n (removed);
 *      returns a buffer for n characters and a NUL */
        AT(0x4531C0)
        .globl _zv_string_buffer
_zv_string_buffer:
        push ebp
        mov ebp, esp
        push ebx
        push esi
        push edi
        push edx
        push dword ptr [ebp + 8]
        push ecx
        call _game_string_buffer
        add esp, 12
        pop edi
        pop esi
        pop ebx
        pop ebp
        ret 4

/* ---- string-resource loader: stack string object, id (both removed); result in EAX; the
 *      game's callers have the string object in ECX as well */
        AT(0x484290)
        .globl _zv_load_res_string
_zv_load_res_string:
        push ebp
        mov ebp, esp
        push ebx
        push esi
        push edi
        push ecx
        push dword ptr [ebp + 12]
        push dword ptr [ebp + 8]
        call _game_load_res_string
        add esp, 12
        pop edi
        pop esi
        pop ebx
        pop ebp
        ret 8

/* ---- set-language function: ECX manager, EAX index; result in EAX */
        AT(0x484360)
        .globl _zv_set_language
_zv_set_language:
#ifdef ZV_UNPATCHABLE_SET_LANGUAGE
        .byte 0xEB, 0x01                /* jmp short 0x484363: into the first five bytes */
        .byte 0x90
#endif
        push ebp
        mov ebp, esp
        push ebx
        push esi
        push edi
        push eax
        push ecx
        call _game_set_language
        add esp, 8
        pop edi
        pop esi
        pop ebx
        pop ebp
        ret

/* ---- reload trigger: no stack arguments */
        AT(0x484410)
        .globl _zv_reload_trigger
_zv_reload_trigger:
        push ebp
        mov ebp, esp
        push ebx
        push esi
        push edi
        call _game_reload_trigger
        pop edi
        pop esi
        pop ebx
        pop ebp
        ret

/* ---- the language-choice place: int zv_choice_function(int id) (cdecl)
 *      At 0x4A73E1 EAX holds the chosen id; at 0x4A73F0 EAX holds the result. */
        AT(0x4A73A0)
        .globl _zv_choice_function
_zv_choice_function:
        push ebp
        push ebx
        push esi
        push edi
        mov eax, [esp + 20]
        push SENT_TOP
        mov ebx, SENT_EBX
        mov esi, SENT_ESI
        mov edi, SENT_EDI
        mov ebp, SENT_EBP
        mov [_zv_place_esp], esp
        FALLTO(0x4A73E1)
        /* the game's own code: apply the chosen language */
        mov ecx, 0x8BBB08
        mov edx, 0x484360
        call edx
        nop
        nop
        nop
        AT(0x4A73F0)
        record_registers _zv_cont_regs
        add esp, 4
        pop edi
        pop esi
        pop ebx
        pop ebp
        ret

/* ---- the language-list place: void zv_list_function(void *control) (cdecl)
 *      EDI = language list control at 0x4AA474 and at 0x4AA6B9. */
        AT(0x4AA440)
        .globl _zv_list_function
_zv_list_function:
        push ebp
        push ebx
        push esi
        push edi
        mov edi, [esp + 20]
        push SENT_TOP
        mov ebx, SENT_EBX
        mov esi, SENT_ESI
        mov ebp, SENT_EBP
        mov [_zv_place_esp], esp
        FALLTO(0x4AA474)
        /* the game's own code: fill the list with its nine languages */
        mov dword ptr [_zv_own_list_runs], 1
        push edi
        call _game_fill_language_list
        add esp, 4
        jmp zv_list_continuation
        AT(0x4AA6B9)
zv_list_continuation:
        record_registers _zv_cont_regs
        add esp, 4
        pop edi
        pop esi
        pop ebx
        pop ebp
        ret

/* ---- game allocator: size in EDI, no stack arguments; pointer or NULL in EAX */
        AT(0x50E2F0)
        .globl _zv_allocator
_zv_allocator:
        push ebp
        mov ebp, esp
        push ecx
        push edx
        push edi
        call _game_alloc
        add esp, 4
        pop edx
        pop ecx
        pop ebp
        ret

/* ---- the language-object place: void *zv_object_function(int value, void *owner) (cdecl)
 *      At 0x53F255: the value at EBP + 0xF334, the owner at ESP + 0x4C. At 0x53F40A:
 *      EAX = object (also stored at owner + 0x94), EBX = 0, EDI = owner. */
        AT(0x53F200)
        .globl _zv_object_function
_zv_object_function:
        push ebp
        push ebx
        push esi
        push edi
        mov eax, [esp + 20]
        mov edx, [esp + 24]
        lea ebp, [_zv_object_frame]
        mov [ebp + 0xF334], eax
        sub esp, 0x50
        mov [esp + 0x4C], edx
        mov dword ptr [esp], SENT_TOP
        mov ebx, SENT_EBX
        mov esi, SENT_ESI
        mov edi, SENT_EDI
        mov [_zv_place_esp], esp
        FALLTO(0x53F255)
        /* the game's own code: make the language object */
        mov eax, [ebp + 0xF334]
        push eax
        call _game_make_language_object
        add esp, 4
        mov edi, [esp + 0x4C]
        mov [edi + 0x94], eax
        xor ebx, ebx
        jmp zv_object_continuation
        AT(0x53F40A)
zv_object_continuation:
        record_registers _zv_cont_regs
        add esp, 0x50
        pop edi
        pop esi
        pop ebx
        pop ebp
        ret

/* ---- calls into the game with its register conventions, for the game's C code and the
 *      driver. */
        AT(0x560000)
        /* int zv_call_set_language(void *manager, int index) */
        .globl _zv_call_set_language
_zv_call_set_language:
        call_enter
        mov ecx, [esp + 20]
        mov eax, [esp + 24]
        mov edx, 0x484360
        call_sentinels
        call edx
        call_leave

        /* void zv_call_reload_trigger(void) */
        .globl _zv_call_reload_trigger
_zv_call_reload_trigger:
        call_enter
        mov edx, 0x484410
        call_sentinels
        call edx
        call_leave

        /* int zv_call_load_res_string(void *object, int id): the object also in ECX */
        .globl _zv_call_load_res_string
_zv_call_load_res_string:
        call_enter
        mov ecx, [esp + 20]
        push dword ptr [esp + 24]
        push ecx
        mov eax, 0xDEADBEEF             /* the loader ignores EAX at entry */
        mov edx, 0x484290
        call_sentinels
        call edx
        call_leave

        /* void *zv_call_method(void *object, void *method, int hasArg, int arg) */
        .globl _zv_call_method
_zv_call_method:
        call_enter
        mov ecx, [esp + 20]
        mov edx, [esp + 24]
        cmp dword ptr [esp + 28], 0
        je 1f
        push dword ptr [esp + 32]
1:      call_sentinels
        call edx
        call_leave

        /* The game's own functions keep EBX, ESI, EDI and EBP themselves. */
        /* int zv_call_list_item_adder(const char *text, void *control, int arg) */
        .globl _zv_call_list_item_adder
_zv_call_list_item_adder:
        mov ecx, [esp + 4]
        mov edx, [esp + 8]
        push dword ptr [esp + 12]
        mov eax, 0x40D090
        call eax
        ret

        /* void *zv_call_allocator(unsigned size) */
        .globl _zv_call_allocator
_zv_call_allocator:
        push edi
        mov edi, [esp + 8]
        mov eax, 0x50E2F0
        call eax
        pop edi
        ret

/* ---- slot 14 of every language for an argument above 14: a list that names the language
 *      and the argument. Entered by a jump with the language id pushed over the return
 *      address; removes it and the argument. */
        .globl _zv_slot14_beyond
_zv_slot14_beyond:
        push dword ptr [esp + 8]
        push dword ptr [esp + 4]
        call _game_slot14_beyond
        add esp, 12
        ret 4

/* ---- the language methods */
        AT(0x570000)
#include "content_code.s"

/* The code section fills its pages up to the data section. */
        AT(DATA_BASE)

        .section .gdata,"dw"
/* ---- names and method tables */
#include "content_fixed.s"

/* ---- the language-code word */
        DATA_AT(0x6391F8)
        .globl _zv_language_code
_zv_language_code:
        .short 0x0809
        .short 0

/* ---- strings, lists and cells of the nine languages */
        DATA_AT(0x640000)
#include "content_pool.s"

/* ---- the language manager; offset 4: the current language index */
        DATA_AT(0x8BBB08)
        .globl _zv_language_manager
_zv_language_manager:
        .long 0x4D474C5A
        .long 7
        .long 0, 0
        DATA_AT(0x8BC000)
        .long 0
