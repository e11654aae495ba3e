// Start-up and shut-down of Verbatrix in the game's process.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include "GameHooks.h"
#include "LangpackLoader.h"
#include "LangpackScan.h"
#include "LanguageTable.h"
#include "hooking/HookCode.h"

// 1 when the executable of the process has the file version 3.6.31.0, else 0.
extern "C" int CheckGameVersion();

namespace {

constexpr DWORD PathBufferSize = 260;

// The Windows side of the langpack scan.
class WindowsScanPlatform final : public ScanPlatform {
 public:
  uint32_t ModuleFileName(char* buffer, uint32_t size) override {
    return GetModuleFileNameA(nullptr, buffer, size);
  }
  void* FindFirst(const char* pattern, char* name) override {
    HANDLE search = FindFirstFileA(pattern, &data_);
    if (search == INVALID_HANDLE_VALUE) return nullptr;
    CopyName(name);
    return search;
  }
  bool FindNext(void* search, char* name) override {
    if (!FindNextFileA(static_cast<HANDLE>(search), &data_)) return false;
    CopyName(name);
    return true;
  }
  void FindClose(void* search) override { ::FindClose(static_cast<HANDLE>(search)); }
  void ShowMessage(const char* text, const char* caption, uint32_t style) override {
    MessageBoxA(nullptr, text, caption, style);
  }

 private:
  void CopyName(char* name) {
    memcpy(name, data_.cFileName, ScanPathSize);
    name[ScanPathSize - 1] = '\0';
  }
  WIN32_FIND_DATAA data_{};
};

struct Hook {
  uintptr_t target;
  void (*replacement)();
  void** next;
  bool insideFunction;
};

// In the order of installation.
const Hook Hooks[6] = {
    {0x4AA474, StubFillLanguageList, &NextFillLanguageList, true},
    {0x53F255, StubCreateLanguageObject, &NextCreateLanguageObject, true},
    {0x484360, HookedSetLanguageEntry, &NextSetLanguage, false},
    {0x484410, HookedReloadTrigger, &NextReloadTrigger, false},
    {0x4A73E1, StubApplyChosenLanguage, &NextApplyChosenLanguage, true},
    {0x484290, HookedLoadResString, &NextLoadResString, false},
};
constexpr int SetLanguageHook = 2;

void InstallHooks() {
  for (int i = 0; i < 6; ++i) {
    const Hook& hook = Hooks[i];
    void* target = reinterpret_cast<void*>(hook.target);
    if (hook.insideFunction) DeclareCodePlace(target);
    const int result = HookCode(target, reinterpret_cast<void*>(hook.replacement), hook.next, 0);
    if (i == SetLanguageHook && result == 0) MessageBoxA(nullptr, "Error", "Error", 0);
  }
}

void Attach() {
  if (!CheckGameVersion()) {
    MessageBoxA(nullptr, "This Verbatrix is not compatible with used version of game!",
                "Noob detected.", MB_ICONERROR);
    return;
  }
  memset(LanguageTable, 0, sizeof LanguageTable);
  memset(Slot14SubLists, 0, sizeof Slot14SubLists);
  memset(SlotOverrides, 0, sizeof SlotOverrides);
  memset(StringPages, 0, sizeof StringPages);
  ResetLanguageTable();
  InstallHooks();
  WindowsScanPlatform platform;
  ScanLangpacks(platform);
}

// The hooks come off first, so that no hook can reach a record freed after them.
void Detach() {
  AutoUnhook(0xFFFFFFFF);
  ReleaseLangpackRecords();
}

}  // namespace

extern "C" int CheckGameVersion() {
  char path[PathBufferSize];
  const DWORD length = GetModuleFileNameA(nullptr, path, PathBufferSize);
  if (length == 0 || length >= PathBufferSize) return 0;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &handle);
  if (size == 0) return 0;
  void* block = malloc(size);
  if (block == nullptr) return 0;
  int passed = 0;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT infoLength = 0;
  if (GetFileVersionInfoA(path, handle, size, block) &&
      VerQueryValueA(block, "\\", reinterpret_cast<void**>(&info), &infoLength) && info != nullptr &&
      infoLength >= sizeof(VS_FIXEDFILEINFO)) {
    passed = info->dwSignature == 0xFEEF04BD && HIWORD(info->dwFileVersionMS) == 3 &&
             LOWORD(info->dwFileVersionMS) == 6 && HIWORD(info->dwFileVersionLS) == 31 &&
             LOWORD(info->dwFileVersionLS) == 0;
  }
  free(block);
  return passed;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH)
    Attach();
  else if (reason == DLL_PROCESS_DETACH)
    Detach();
  return TRUE;
}
