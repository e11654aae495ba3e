// The C heap as the module's core uses it: zeroed blocks, freed with free. Tests swap the
// allocator to make allocations fail.
#pragma once

#include <stddef.h>

using CoreAllocator = void* (*)(size_t count, size_t size);
extern CoreAllocator CoreCalloc;  // calloc unless a test replaced it
