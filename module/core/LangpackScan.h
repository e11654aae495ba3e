// The scan of the langpack folder ("Languages" beside the game executable) at start-up.
#pragma once

#include <stdint.h>

enum : uint32_t {
  ScanPathSize = 260,      // path buffer: folder, pattern, then each file's full path
  ScanMessageSize = 556,   // message buffer
};

#if defined(_WIN32)
constexpr char PathSeparator = '\\';
#else
constexpr char PathSeparator = '/';
#endif

// What the scan needs of the platform: the game executable's path, the directory search and
// modal message boxes without owner. The DLL passes the Windows calls; tests pass a fake.
class ScanPlatform {
 public:
  // Full path of the process's executable into buffer (size bytes); the length written, 0 on
  // failure, size when the path was cut (as GetModuleFileNameA).
  virtual uint32_t ModuleFileName(char* buffer, uint32_t size) = 0;
  // Starts a search on pattern; on a match writes the entry's name (at most ScanPathSize
  // bytes with its NUL) and returns a search handle, else NULL.
  virtual void* FindFirst(const char* pattern, char* name) = 0;
  // Next entry of the search into name; false when there is none.
  virtual bool FindNext(void* search, char* name) = 0;
  virtual void FindClose(void* search) = 0;
  virtual void ShowMessage(const char* text, const char* caption, uint32_t style) = 0;

 protected:
  ~ScanPlatform() = default;
};

// Registers every valid langpack of the folder in LanguageTable (entries 0..8 must already
// hold the built-in languages).
void ScanLangpacks(ScanPlatform& platform);
