// The C heap as the module's core uses it: zeroed blocks, freed with free. Tests swap the
// allocator to make allocations fail, and the releaser to see what is given back.
#pragma once

#include <stddef.h>

using CoreAllocator = void* (*)(size_t count, size_t size);
using CoreReleaser = void (*)(void* block);
extern CoreAllocator CoreCalloc;  // calloc unless a test replaced it
extern CoreReleaser CoreFree;     // free unless a test replaced it
