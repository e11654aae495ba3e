#include "CoreHeap.h"

#include <stdlib.h>

CoreAllocator CoreMalloc = malloc;
