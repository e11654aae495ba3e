// Shared fixture of the module core tests: a temporary game folder with its Languages folder,
// and a clean language table and loaded-string state around every test.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "CoreHeap.h"
#include "GameState.h"
#include "LangpackLoader.h"
#include "LanguageTable.h"

class ModuleCoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/verbatrix-core-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    gameDir_ = pattern;
    std::filesystem::create_directory(LanguagesDir());
    ResetLanguageTable();
    NativeGameCurrentIndex = 7;
    NativeGameLanguageCode = 0;
  }
  void TearDown() override {
    CoreCalloc = calloc;
    CoreFree = free;
    FreeLoadedStrings();
    ReleaseLangpackRecords();
    ResetLanguageTable();
    std::filesystem::remove_all(gameDir_);
  }

  std::string LanguagesDir() const { return gameDir_ + "/Languages"; }
  std::string LangpackPath(const std::string& fileName) const {
    return LanguagesDir() + "/" + fileName;
  }

  std::string gameDir_;
};
