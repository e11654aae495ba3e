// Shared by the parts of the Windows patching test program.
#pragma once

#include <cstring>

// Prints "PASS name" or "FAIL name detail" and counts the failures.
void Check(bool ok, const char* name, const char* detailFormat = "", ...);

// The first 16 bytes at a place, to tell whether they are back as they were.
struct Snapshot {
  const void* at;
  unsigned char bytes[16];
  void Take(const void* p) {
    at = p;
    std::memcpy(bytes, p, sizeof bytes);
  }
  bool Same() const { return std::memcmp(at, bytes, sizeof bytes) == 0; }
};

// writetest.cpp: how the patches are written. Each leaves no hook behind.
void TestPatchAlignments();
void TestParkedThreads();
void TestThreadRunningThroughTarget();
