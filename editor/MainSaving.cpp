// The Save command and the writing of the checked records as a langpack.
#include "Main.h"
