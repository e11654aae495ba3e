#include "LangpackScan.h"

#include <stdio.h>
#include <string.h>

#include "CoreHeap.h"
#include "LangpackFormat.h"
#include "LanguageTable.h"

namespace {

using namespace langpack;

enum : uint32_t { IconError = 0x10, IconWarning = 0x30 };

const char FolderName[] = {'L', 'a', 'n', 'g', 'u', 'a', 'g', 'e', 's', PathSeparator, '\0'};
const char SearchPattern[] = "*.ZVlang";
const char ErrorCaption[] = "Error detected.";
const uint16_t GameVersion[4] = {3, 6, 31, 0};

// The file name part of a full path: the text after its last separator.
const char* FileNameOf(const char* path) {
  const char* cut = strrchr(path, PathSeparator);
  return cut ? cut + 1 : path;
}

class Scan {
 public:
  explicit Scan(ScanPlatform& platform) : platform_(platform) {}

  void Run() {
    const uint32_t length = platform_.ModuleFileName(path_, ScanPathSize);
    if (length == 0 || length >= ScanPathSize) return;  // no usable game path
    path_[length] = '\0';
    char* cut = strrchr(path_, PathSeparator);
    if (cut == nullptr) return;
    fileNamePos_ = size_t(cut + 1 - path_);
    if (fileNamePos_ + strlen(FolderName) + strlen(SearchPattern) >= ScanPathSize) return;
    strcpy(path_ + fileNamePos_, FolderName);
    fileNamePos_ += strlen(FolderName);
    strcpy(path_ + fileNamePos_, SearchPattern);

    void* search = platform_.FindFirst(path_, entry_);
    if (search == nullptr) return;
    do {
      entry_[ScanPathSize - 1] = '\0';
      ScanFile();
    } while (platform_.FindNext(search, entry_));
    platform_.FindClose(search);
  }

 private:
  void ShowError(const char* format, const char* fileName) {
    snprintf(message_, sizeof message_, format, fileName);
    platform_.ShowMessage(message_, ErrorCaption, IconError);
  }

  void ScanFile() {
    const size_t nameLength = strlen(entry_);
    if (fileNamePos_ + nameLength >= ScanPathSize) {
      ShowError("Path too long for language file:\n%s", entry_);
      return;
    }
    memcpy(path_ + fileNamePos_, entry_, nameLength + 1);

    FILE* file = fopen(path_, "rb");
    if (file == nullptr) return;
    if (fread(header_, 1, HeaderSize, file) == HeaderSize) Check();
    fclose(file);
  }

  void Check() {
    if (ReadU32(header_) != MagicWord0 || ReadU32(header_ + 4) != MagicWord1) {
      ShowError("Bad language file or version unknown:\n%s", entry_);
      return;
    }
    const uint32_t languageId = ReadU32(header_ + LanguageIdOffset);
    const uint32_t baseLanguage = ReadU32(header_ + BaseLanguageOffset);
    if (languageId >= LanguageTableSize) {
      ShowError("Language id out of range in language file:\n%s", entry_);
      return;
    }
    const LanguageRecord* holder = LanguageTable[languageId];
    if (holder != nullptr && holder->path != nullptr) {
      snprintf(message_, sizeof message_, "Collision detected:\n%s\n%s", entry_,
               FileNameOf(holder->path));
      platform_.ShowMessage(message_, ErrorCaption, IconError);
      return;
    }
    if (baseLanguage >= BuiltinLanguageCount) {
      ShowError("Base language out of range in language file:\n%s", entry_);
      return;
    }
    uint16_t version[4];
    for (int i = 0; i < 4; ++i) version[i] = ReadU16(header_ + GameVersionOffset + 2 * i);
    if (memcmp(version, GameVersion, sizeof version) != 0) {
      snprintf(message_, sizeof message_,
               "Language file '%s' has version %d.%d.%d.%d, game version is %d.%d.%d.%d.", entry_,
               version[0], version[1], version[2], version[3], GameVersion[0], GameVersion[1],
               GameVersion[2], GameVersion[3]);
      platform_.ShowMessage(message_, "Warning.", IconWarning);
    }
    Register(languageId, baseLanguage);
  }

  // Out of memory: the file is left out, nothing half made stays behind.
  void Register(uint32_t languageId, uint32_t baseLanguage) {
    auto* record = static_cast<LanguageRecord*>(CoreCalloc(1, sizeof(LanguageRecord)));
    auto* name = static_cast<char*>(CoreCalloc(1, NameSize));
    auto* path = static_cast<char*>(CoreCalloc(1, ScanPathSize));
    if (record == nullptr || name == nullptr || path == nullptr) {
      CoreFree(record);
      CoreFree(name);
      CoreFree(path);
      return;
    }
    // A name that fills all 32 bytes is cut to 31 characters to keep its NUL.
    const void* nul = memchr(header_ + NameOffset, 0, NameSize - 1);
    const size_t nameLength =
        nul ? size_t(static_cast<const unsigned char*>(nul) - (header_ + NameOffset)) : NameSize - 1;
    memcpy(name, header_ + NameOffset, nameLength);
    strcpy(path, path_);

    record->name = name;
    record->languageId = languageId;
    record->methodTable = LangpackMethodTable;
    record->languageCode = CustomLanguageCode;
    record->path = path;
    record->baseLanguage = baseLanguage;
    LanguageTable[languageId] = record;
  }

  ScanPlatform& platform_;
  char path_[ScanPathSize] = {};
  char entry_[ScanPathSize] = {};
  char message_[ScanMessageSize] = {};
  unsigned char header_[HeaderSize] = {};
  size_t fileNamePos_ = 0;
};

}  // namespace

void ScanLangpacks(ScanPlatform& platform) { Scan(platform).Run(); }
