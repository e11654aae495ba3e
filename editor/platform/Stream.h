// A small stream base for the places where the editor relies on stream behaviour: a
// stream over a block of memory with a size and a position that reads, but may refuse
// to write or to resize.
#pragma once

#include <cstdint>

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
public:
    virtual ~TStream() = default;

    // The size in bytes, found by seeking to the end and back.
    virtual int64_t GetSize();
    // Changes nothing here: a stream that can be resized overrides it.
    virtual void SetSize(int32_t newSize);
    // Throws ERangeError when newSize does not fit in 32 bits, else calls SetSize(int32_t).
    virtual void SetSize(int64_t newSize);
    // Copies up to count bytes to buffer; returns the number copied.
    virtual int32_t Read(void *buffer, int32_t count) = 0;
    // Returns the number of bytes written.
    virtual int32_t Write(const void *buffer, int32_t count) = 0;
    // Moves the position; returns the new position.
    virtual int32_t Seek(int32_t offset, TSeekOrigin origin) = 0;
    // Throws ERangeError for an offset outside the signed 32-bit range, else passes it to
    // Seek(int32_t, ...).
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin);

    int64_t Position() { return Seek(int64_t(0), soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, soBeginning); }

    // Reads exactly four bytes as a little-endian word; false (position moved by what
    // could be read) when fewer than four are left.
    bool ReadU32(uint32_t &value);
};

// A stream over memory given by a pointer and a size. The position may be set anywhere,
// also outside the memory; reading there gives nothing.
class TCustomMemoryStream : public TStream {
public:
    using TStream::Seek;
    using TStream::SetSize;

    int32_t Read(void *buffer, int32_t count) override;
    int32_t Seek(int32_t offset, TSeekOrigin origin) override;

    const void *Memory() const { return memory_; }
    int64_t Size() const { return size_; }

    // Points the stream at memory of size bytes; the position stays where it was.
    void SetPointer(const void *memory, int64_t size)
    {
        memory_ = static_cast<const unsigned char *>(memory);
        size_ = size;
    }

private:
    const unsigned char *memory_ = nullptr;
    int64_t size_ = 0;
    int64_t position_ = 0;
};
