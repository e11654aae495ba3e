// The file commands New and Open, the close query with its save question, and the association command.
#include "Main.h"
