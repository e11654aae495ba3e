#include "Rawmemorystream.h"

int32_t TRawMemoryStream::Write(const void *, int32_t) { return 0; }

int64_t TRawMemoryStream::Seek(int64_t offset, TSeekOrigin origin) { return TStream::Seek(offset, origin); }
