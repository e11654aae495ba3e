/* The fixed-address image of the game double: one writable code section that starts at
 * 0x401000 and holds the game's functions, the places inside functions that a module
 * patches, the language names and method tables, the language-code word and the language
 * manager, each at the address of game version 3.6.31.0. The C side (game.c) does the
 * work; the code here gives each entry the game's register convention.
 *
 * Every function entry starts with at least five bytes of plain instructions, and each
 * patched place starts with an ordinary instruction, so that a hooking library can
 * relocate them. With ZV_UNPATCHABLE_SET_LANGUAGE the set-language function instead
 * starts with a short jump into its own first five bytes, which cannot be relocated. */
        .intel_syntax noprefix
        .section .game,"wx"

#define BASE 0x401000
#define AT(a) .org (a) - BASE, 0xCC
/* Code that runs on into a place: NOP filler up to it. */
#define FALLTO(a) .org (a) - BASE, 0x90

/* Sentinels loaded into the callee-saved registers before a place is reached, checked at
 * its continuation. */
#define SENT_EBX 0x0B0B0B0B
#define SENT_ESI 0x05050505
#define SENT_EBP 0x0E0E0E0E

/* Records the registers at the continuation of a place for the driver. */
        .macro record_continuation
        mov [_zv_cont_regs + 0], eax
        mov [_zv_cont_regs + 4], ebx
        mov [_zv_cont_regs + 8], esi
        mov [_zv_cont_regs + 12], edi
        mov [_zv_cont_regs + 16], ebp
        mov [_zv_cont_regs + 20], esp
        .endm

/* The calls into the game keep EBX, ESI, EDI and EBP for the C caller; the arguments then
 * start at ESP + 20. */
        .macro call_enter
        push ebx
        push esi
        push edi
        push ebp
        .endm
        .macro call_leave
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

/* ---- string-resource loader: stack string object, id (both removed); result in EAX */
        AT(0x484290)
        .globl _zv_load_res_string
_zv_load_res_string:
        push ebp
        mov ebp, esp
        push ebx
        push esi
        push edi
        push dword ptr [ebp + 12]
        push dword ptr [ebp + 8]
        call _game_load_res_string
        add esp, 8
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
        mov ebx, SENT_EBX
        mov esi, SENT_ESI
        mov edi, 0x0D0D0D0D
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
        record_continuation
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
        record_continuation
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
        mov ebx, SENT_EBX
        mov esi, SENT_ESI
        mov edi, 0x0D0D0D0D
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
        record_continuation
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
        mov [_zv_call_esp], esp
        call edx
        mov [_zv_call_esp_after], esp
        call_leave

        /* void zv_call_reload_trigger(void) */
        .globl _zv_call_reload_trigger
_zv_call_reload_trigger:
        call_enter
        mov edx, 0x484410
        mov [_zv_call_esp], esp
        call edx
        mov [_zv_call_esp_after], esp
        call_leave

        /* int zv_call_load_res_string(void *object, int id) */
        .globl _zv_call_load_res_string
_zv_call_load_res_string:
        call_enter
        mov edx, 0x484290
        mov [_zv_call_esp], esp
        push dword ptr [esp + 24]
        push dword ptr [esp + 24]
        mov eax, 0xDEADBEEF             /* the loader ignores EAX at entry */
        call edx
        mov [_zv_call_esp_after], esp
        call_leave

        /* int zv_call_list_item_adder(const char *text, void *control, int arg) */
        .globl _zv_call_list_item_adder
_zv_call_list_item_adder:
        call_enter
        mov ecx, [esp + 20]
        mov edx, [esp + 24]
        push dword ptr [esp + 28]
        mov eax, 0x40D090
        call eax
        call_leave

        /* void *zv_call_allocator(unsigned size) */
        .globl _zv_call_allocator
_zv_call_allocator:
        push edi
        mov edi, [esp + 8]
        mov eax, 0x50E2F0
        call eax
        pop edi
        ret

        /* void *zv_call_method(void *object, void *method, int hasArg, int arg) */
        .globl _zv_call_method
_zv_call_method:
        call_enter
        mov ecx, [esp + 20]
        mov edx, [esp + 24]
        mov eax, [esp + 28]
        mov ebx, [esp + 32]
        mov [_zv_call_esp], esp
        test eax, eax
        jz 1f
        push ebx
1:      call edx
        mov [_zv_call_esp_after], esp
        mov esp, [_zv_call_esp]
        call_leave

/* ---- names and method tables */
#include "content_fixed.s"

/* ---- the language-code word */
        AT(0x6391F8)
        .globl _zv_language_code
_zv_language_code:
        .short 0x0809
        .short 0

/* ---- methods, strings, lists and cells of the nine languages */
        AT(0x640000)
#include "content_pool.s"

/* ---- the language manager; offset 4: the current language index */
        AT(0x8BBB08)
        .globl _zv_language_manager
_zv_language_manager:
        .long 0x4D474C5A
        .long 7
        .long 0, 0
        AT(0x8BC000)
        .long 0
