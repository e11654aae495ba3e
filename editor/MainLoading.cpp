// Opening a langpack and laying its records over the stock strings.
#include "Main.h"
