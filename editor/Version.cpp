#include "Version.h"

#ifndef GLOSSMITH_VERSION
#error "GLOSSMITH_VERSION must be set by the build"
#endif

const char *ProgramVersion()
{
    return GLOSSMITH_VERSION;
}
