// The window's keyboard commands and the tree's key handling.
#include "Main.h"
