#include "Stream.h"

#include "Exception.h"
#include "LittleEndian.h"

#include <cstring>
#include <limits>

int64_t TStream::GetSize()
{
    const int64_t pos = Seek(int64_t(0), soCurrent);
    const int64_t size = Seek(int64_t(0), soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::SetSize(int32_t) {}

void TStream::SetSize(int64_t newSize)
{
    if (newSize < std::numeric_limits<int32_t>::min() || newSize > std::numeric_limits<int32_t>::max())
        throw ERangeError();
    SetSize(int32_t(newSize));
}

int64_t TStream::Seek(int64_t offset, TSeekOrigin origin)
{
    if (offset < std::numeric_limits<int32_t>::min() || offset > std::numeric_limits<int32_t>::max())
        throw ERangeError();
    return Seek(int32_t(offset), origin);
}

bool TStream::ReadU32(uint32_t &value)
{
    unsigned char b[4];
    if (Read(b, 4) != 4)
        return false;
    value = LoadU32(b);
    return true;
}

int32_t TCustomMemoryStream::Read(void *buffer, int32_t count)
{
    if (position_ < 0 || count <= 0 || position_ >= size_)
        return 0;
    const int64_t n = std::min<int64_t>(count, size_ - position_);
    std::memcpy(buffer, memory_ + position_, std::size_t(n));
    position_ += n;
    return int32_t(n);
}

int32_t TCustomMemoryStream::Seek(int32_t offset, TSeekOrigin origin)
{
    switch (origin) {
    case soBeginning:
        position_ = offset;
        break;
    case soCurrent:
        position_ += offset;
        break;
    case soEnd:
        position_ = size_ + offset;
        break;
    }
    return int32_t(position_);
}
