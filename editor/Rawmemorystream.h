// A read-only stream over memory that belongs to somebody else, such as one block of the
// stock-string table. It never writes, never resizes and never frees what it views.
#pragma once

#include "platform/Stream.h"

class TRawMemoryStream : public TCustomMemoryStream {
public:
    using TCustomMemoryStream::Seek;

    // Views nothing: memory none, size 0, position 0. Point it with SetPointer.
    TRawMemoryStream() = default;

    // Writes nothing and returns 0; the viewed memory stays as it is.
    int32_t Write(const void *buffer, int32_t count) override;

    // The stream base's 64-bit seek: ERangeError outside the signed 32-bit range.
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
};
