// Linkage of the globals and entries that the module's assembler code reaches by name.
#pragma once

#ifdef __cplusplus
#define VERBATRIX_C_BEGIN extern "C" {
#define VERBATRIX_C_END }
#else
#define VERBATRIX_C_BEGIN
#define VERBATRIX_C_END
#endif
