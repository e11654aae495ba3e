# Copies of Verbatrix.dll with one deliberate fault each (mostly breaches of the game's
# conventions), and the Wine scenario failure that must catch it. Read by three users, each
# with a module_breach() of its own: the cross build makes the copies (win/),
# ApplyBreach.cmake makes the changed source of one, the native build adds a test per copy
# (CMakeLists.txt).
#
#   module_breach(<name> <module source> <scenario> <what catches it: a regex on the
#                 scenario's failures> <find> <replace>)
#
# <find> must occur in the source (below module/); every occurrence is replaced. In the
# assembler sources "\\n" is the macro argument \n.

# A method, entry or hook that does not keep EBX, ESI, EDI, EBP or the stack.
module_breach(method_pass_on_ebx win32/LangpackMethods.S conventions
  "after 'string Nueva partida': regs bad ebx=0x00000000$"
  "1:  mov edx, 4*\\n" "1:  xor ebx, ebx\n    mov edx, 4*\\n")
module_breach(method_loaded_esi win32/LangpackMethods.S conventions
  "after 'line 0 five': regs bad esi=0x00000000$"
  "    jz 1f\n    ret\n" "    jz 1f\n    xor esi, esi\n    ret\n")
module_breach(slot14_argument_kept win32/LangpackMethods.S conventions
  "after 'line 0 sub three': regs bad esp=-4$"
  "    ret 4\n2:" "    ret\n2:")
module_breach(set_language_ebp win32/GameStubs.S conventions
  "after 'set 1': regs bad ebp=0x00000000$"
  "    call _HookedSetLanguage@8\n    ret\n" "    call _HookedSetLanguage@8\n    xor ebp, ebp\n    ret\n")
module_breach(set_language_stack win32/GameStubs.S conventions
  "after 'set 1': regs bad esp=\\+4$"
  "    call _HookedSetLanguage@8\n    ret\n" "    call _HookedSetLanguage@8\n    ret 4\n")
module_breach(reload_esi win32/GameStubs.S conventions
  "after 'reload runs 1': regs bad esi=0x00000000$"
  "    call _LoadCurrentLangpack\n    ret\n" "    call _LoadCurrentLangpack\n    xor esi, esi\n    ret\n")
module_breach(res_edi win32/GameStubs.S conventions
  "after 'res 1 first': regs bad edi=0x00000000$"
  "_HookedLoadResString:\n" "_HookedLoadResString:\n    xor edi, edi\n")

# A stub at a place that keeps its return slot, or leaves the slot's address on the stack. Once
# every slot is held, the next entry waits for one and then ends in the hooking library's
# exception for slots that are never given back.
module_breach(place_slot_kept win32/GameStubs.S conventions
  "crashed after .*: crash 0xE0480001 at 0x[0-9A-F]+$"
  "    lock and dword ptr [eax + 1], 0" "    nop")
module_breach(place_word_not_restored win32/GameStubs.S conventions
  "after 'language 9 tag 20 at 0x[0-9A-F]+ name Twenty': regs bad top=0x"
  "    mov dword ptr [esp + 8], ebx" "    nop")

# Cell slots mixed up: two slots on one cell, two slots swapped.
module_breach(cells_shared win32/LangpackMethods.S conventions
  "expected, not found .*: cell 0x[0-9A-F]+ value 0x00000000$"
  "        CELL_SLOT 3" "        CELL_SLOT 1")
module_breach(cells_swapped win32/LangpackMethods.S conventions
  "expected, not found .*: cell 0x[0-9A-F]+ value 0x00000000$"
  "== 193\n        CELL_SLOT 1\n    .elseif (\\a*100+\\b*10+\\c) == 194\n        CELL_SLOT 3"
  "== 193\n        CELL_SLOT 3\n    .elseif (\\a*100+\\b*10+\\c) == 194\n        CELL_SLOT 1")

# Slot 14 handing min(n, 14) to the base language instead of n.
module_breach(slot14_argument_cut win32/LangpackMethods.S conventions
  "expected, not found .*: line 0 Argument 20 of language 3$"
  "    mov eax, 14\n" "    mov eax, 14\n    mov dword ptr [esp + 4], eax\n")

# Arguments of the game's functions.
module_breach(list_item_argument win32/GameHooks.cpp conventions
  "convention breached .*: breach list-item adder argument 100$"
  "ListItemArgument = 1000" "ListItemArgument = 100")
module_breach(string_buffer_edx win32/GameStubs.S conventions
  "convention breached .*: breach string-buffer edx 0x[0-9A-F]+$"
  "    xor edx, edx" "    mov edx, ecx")
module_breach(loader_ecx win32/GameStubs.S conventions
  "convention breached .*: breach string-resource loader ecx 0x00000000$"
  "    push ecx\n    call dword ptr [_NextLoadResString]"
  "    push ecx\n    xor ecx, ecx\n    call dword ptr [_NextLoadResString]")
module_breach(allocator_size_not_in_edi win32/GameStubs.S conventions
  "convention breached .*: breach allocator size 0x[0-9A-F]+$"
  "    mov edi, dword ptr [esp + 20]\n    call dword ptr [GameAllocator]"
  "    mov eax, dword ptr [esp + 20]\n    call dword ptr [GameAllocator]")
module_breach(allocator_size_8 win32/GameStubs.S conventions
  "convention breached .*: breach allocator size 0x00000008$"
  "    mov edi, dword ptr [esp + 20]\n    call dword ptr [GameAllocator]"
  "    mov edi, 8\n    call dword ptr [GameAllocator]")

# Further checks of the scenarios: an object allocated before the range test, the resource
# fall-back to English instead of the base language, a scan that goes on checking a file
# after its bad magic or its collision.
module_breach(object_allocated_above_255 win32/GameHooks.cpp conventions
  "after 'object null': breach allocator calls 1$"
  "  if (n > 255) return nullptr;\n  auto* object = static_cast<const void**>(GameAllocate(4));"
  "  auto* object = static_cast<const void**>(GameAllocate(4));\n  if (n > 255) return nullptr;")
module_breach(resource_fallback_english win32/GameHooks.cpp registry
  "expected, not found .*: res 1 El "
  "uint16_t(CurrentBaseLanguage()->languageCode)" "uint16_t(0x0809)")
module_breach(scan_on_after_bad_magic core/LangpackScan.cpp registry
  "expected, not found .*: boxes 10$"
  "      ShowError(\"Bad language file or version unknown:\\n%s\", entry_);\n      return;"
  "      ShowError(\"Bad language file or version unknown:\\n%s\", entry_);")
module_breach(scan_on_after_collision core/LangpackScan.cpp registry
  "expected, not found .*: boxes 10$"
  "      platform_.ShowMessage(message_, ErrorCaption, IconError);\n      return;"
  "      platform_.ShowMessage(message_, ErrorCaption, IconError);")
