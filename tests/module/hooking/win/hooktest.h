// Shared by the parts of the Windows patching test program.
#pragma once

#include <windows.h>

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

DWORD Protection(const void* p);
bool BlockCommitted(const void* block);
// The thread's exit code once it has ended, or -1 when it does not end within ms.
int ExitCodeWithin(HANDLE thread, DWORD ms);

// One thread at a time waits at the rendezvous, inside hooked code, until the test lets it go.
extern "C" void RendezvousArrive() __asm__("hk_rendezvous_arrive");  // the thread; also from assembly
bool RendezvousReached();  // the test: true once the thread waits there (within 10 s)
void RendezvousRelease();  // the test: lets it go on
int WaitingCallee();       // arrives at the rendezvous, then returns 41

// writetest.cpp: how the patches are written. Each leaves no hook behind.
void TestPatchAlignments();
void TestPatchAcrossTwoPages();
void TestJumpWrittenOver();
void TestParkedThreads();
void TestCallReturningIntoPatch();
void TestCallInTrampoline();
void TestNextCalledAfterRemoval();
void TestThreadThatCannotBeSuspended();
void TestThreadRunningThroughTarget();
