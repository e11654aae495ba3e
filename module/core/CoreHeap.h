// The C heap as the module's core uses it. Tests swap the allocator to make allocations fail.
#pragma once

#include <stddef.h>

using CoreAllocator = void* (*)(size_t size);
extern CoreAllocator CoreMalloc;  // malloc unless a test replaced it
