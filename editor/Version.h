// The editor's own version, set in one place by the build (GLOSSMITH_VERSION).
#pragma once

// "major.minor.release.build", e.g. "1.0.5.26".
const char *ProgramVersion();
