/* The module's entries from the game's code (the six hook replacements) and its calls into
 * the game with the game's register conventions. */
    .intel_syntax noprefix

    .set GAME_LANGUAGE_MANAGER, 0x8BBB08
    .set GAME_LANGUAGE_CODE, 0x6391F8
    .set CUSTOM_LANGUAGE_CODE, 0x5A4B
    .set OBJECT_VALUE, 0xF334        /* EBP offset of the value passed to NewLanguageObject */
    .set OBJECT_OWNER, 0x4C          /* ESP offset of the owner at the language-object place */
    .set OWNER_OBJECT, 0x94          /* where the owner keeps its language object */

    .section .rdata,"dr"
    .balign 4
ContinueFillLanguageList:   .long 0x4AA6B9
ContinueCreateLanguageObject: .long 0x53F40A
ContinueApplyChosenLanguage: .long 0x4A73F0
GameSetLanguageEntry:       .long 0x484360
GameAllocator:              .long 0x50E2F0
GameListItemAdder:          .long 0x40D090
GameStringBufferFunction:   .long 0x4531C0

    .text
/* The end of every stub at a place inside a function: the hooking library entered it with
 * the top stack word replaced by its return slot R, whose 32-bit value at R + 1 holds the
 * game's word. Put the word back, give the slot back with a locked AND and jump on with ESP
 * as at entry and EAX/EBX kept. */
.macro PLACE_EXIT continuation
    push eax
    push ebx
    mov eax, dword ptr [esp + 8]
    mov ebx, dword ptr [eax + 1]
    mov dword ptr [esp + 8], ebx
    lock and dword ptr [eax + 1], 0
    pop ebx
    pop eax
    jmp dword ptr [\continuation]
.endm

/* The calls into the game keep EBX, ESI, EDI and EBP for the C caller whatever the game's
 * code does with them; the arguments then start at ESP + 20. */
.macro GAME_CALL_ENTER
    push ebx
    push esi
    push edi
    push ebp
.endm
.macro GAME_CALL_LEAVE
    pop ebp
    pop edi
    pop esi
    pop ebx
    ret
.endm

/* Hook 1, at the language-list place: EDI = the game's language list control. */
    .balign 16
    .globl _StubFillLanguageList
_StubFillLanguageList:
    push edi
    call _FillLanguageList
    add esp, 4
    PLACE_EXIT ContinueFillLanguageList

/* Hook 2, at the language-object place: the owner at ESP + 0x4C gets the new object;
 * continues with EAX = object, EBX = 0, EDI = owner. */
    .balign 16
    .globl _StubCreateLanguageObject
_StubCreateLanguageObject:
    push dword ptr [ebp + OBJECT_VALUE]
    call _NewLanguageObject@4
    mov edi, dword ptr [esp + OBJECT_OWNER]
    mov dword ptr [edi + OWNER_OBJECT], eax
    xor ebx, ebx
    PLACE_EXIT ContinueCreateLanguageObject

/* Hook 5, at the language-choice place: EAX = the chosen id. A registered id below 255 is
 * set through the game's set-language entry (hooked itself); EAX then holds its result. */
    .balign 16
    .globl _StubApplyChosenLanguage
_StubApplyChosenLanguage:
    cmp eax, 255
    jae 1f
    cmp dword ptr [_LanguageTable + eax*4], 0
    je 1f
    mov ecx, GAME_LANGUAGE_MANAGER
    call dword ptr [GameSetLanguageEntry]
1:  PLACE_EXIT ContinueApplyChosenLanguage

/* Hook 3, the set-language function: ECX = manager, EAX = index; result in EAX. */
    .balign 16
    .globl _HookedSetLanguageEntry
_HookedSetLanguageEntry:
    push eax
    push ecx
    call _HookedSetLanguage@8
    ret

/* Hook 4, the reload trigger: the game's function runs, then the current langpack is read
 * again. No value is handed back. */
    .balign 16
    .globl _HookedReloadTrigger
_HookedReloadTrigger:
    call dword ptr [_NextReloadTrigger]
    call _LoadCurrentLangpack
    ret

/* Hook 6, the string-resource loader (destination, id), both removed on return. Unless a
 * langpack language is current, the game's own loader runs untouched. */
    .balign 16
    .globl _HookedLoadResString
_HookedLoadResString:
    cmp word ptr ds:GAME_LANGUAGE_CODE, CUSTOM_LANGUAGE_CODE
    jne 1f
    jmp _ServeResourceString@8
1:  jmp dword ptr [_NextLoadResString]

/* cdecl void* GameAllocate(uint32_t size): the game's allocator, size in EDI. */
    .balign 16
    .globl _GameAllocate
_GameAllocate:
    GAME_CALL_ENTER
    mov edi, dword ptr [esp + 20]
    call dword ptr [GameAllocator]
    GAME_CALL_LEAVE

/* cdecl int GameAddListItem(const char* text, void* control, int arg). */
    .balign 16
    .globl _GameAddListItem
_GameAddListItem:
    GAME_CALL_ENTER
    mov ecx, dword ptr [esp + 20]
    mov edx, dword ptr [esp + 24]
    push dword ptr [esp + 28]
    call dword ptr [GameListItemAdder]
    GAME_CALL_LEAVE

/* cdecl char* GameStringBuffer(void* object, uint32_t n). */
    .balign 16
    .globl _GameStringBuffer
_GameStringBuffer:
    GAME_CALL_ENTER
    mov ecx, dword ptr [esp + 20]
    xor edx, edx
    push dword ptr [esp + 24]
    call dword ptr [GameStringBufferFunction]
    GAME_CALL_LEAVE

/* cdecl int CallNextLoadResString(void* destination, uint32_t id): the unpatched loader. */
    .balign 16
    .globl _CallNextLoadResString
_CallNextLoadResString:
    GAME_CALL_ENTER
    mov ecx, dword ptr [esp + 20]
    push dword ptr [esp + 24]
    push ecx
    call dword ptr [_NextLoadResString]
    GAME_CALL_LEAVE
