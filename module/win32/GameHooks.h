// The module's side of the six game hooks and its calls into the game (GameStubs.S).
#pragma once

#include <stdint.h>

extern "C" {
// Entries that HookCode installs (assembler, entered with the game's registers).
void StubFillLanguageList();
void StubCreateLanguageObject();
void HookedSetLanguageEntry();
void HookedReloadTrigger();
void StubApplyChosenLanguage();
void HookedLoadResString();

// Next-hook variables: the unpatched reload trigger and string-resource loader, and four
// that are filled but never read.
extern void* NextReloadTrigger;
extern void* NextLoadResString;
extern void* NextFillLanguageList;
extern void* NextCreateLanguageObject;
extern void* NextSetLanguage;
extern void* NextApplyChosenLanguage;

// Called from the stubs.
void FillLanguageList(void* control);
void* __stdcall NewLanguageObject(uint32_t n);
uint32_t __stdcall HookedSetLanguage(void* manager, uint32_t index);
uint32_t __stdcall ServeResourceString(void* destination, uint32_t id);

// The game's functions with its register conventions.
void* GameAllocate(uint32_t size);
int32_t GameAddListItem(const char* text, void* control, int32_t arg);
char* GameStringBuffer(void* object, uint32_t n);
uint32_t CallNextLoadResString(void* destination, uint32_t id);
}
