#include "CoreHeap.h"

#include <stdlib.h>

CoreAllocator CoreCalloc = calloc;
CoreReleaser CoreFree = free;
