#pragma once
// The byte streams everything the engine stores goes through. All numbers are
// little-endian; doubles are IEEE 754 binary64.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

class Node;

class NodeStream {
public:
    virtual ~NodeStream() = default;
    // Fills buffer with the next count bytes; returns a count no caller relies on.
    virtual int32_t Read(void* buffer, uint32_t count) = 0;
    // Appends count bytes.
    virtual int32_t Write(const void* buffer, uint32_t count) = 0;
    // Bytes that can still be read, for sanity checks on stored counts and
    // lengths before anything is allocated from them.
    virtual uint64_t Remaining() const = 0;

    void WriteInt(int32_t value);
    int32_t ReadInt();  // 0 when the stream delivers fewer than 4 bytes
    void WriteDouble(double value);
    double ReadDouble();             // 0.0 when the stream delivers fewer than 8 bytes
    void WriteId(const Node* node);  // the node's id, 0 for no node
    int32_t ReadId();
    // int32 n = characters before the first NUL + 1, then those characters and a NUL.
    void WriteString(const std::string& text);
    // The characters before the first NUL of the stored n bytes; "" for a
    // stored length of 0 or below, or one longer than what is left to read.
    std::string ReadString();

    // True once a typed read came up short or met an impossible length: the
    // data is damaged. Reads then go on delivering zeros.
    bool Failed() const { return failed_; }

protected:
    void MarkFailed() { failed_ = true; }

private:
    bool ReadExact(void* buffer, uint32_t count);
    // A number of type T through ReadExact: 0 when the stream delivers too few bytes.
    template <typename T>
    T ReadNumber();
    bool failed_ = false;
};

// A stream over a C file opened by the caller ("rb" or "wb"); closes it when
// destroyed. file is null when the open failed.
class NFileStream : public NodeStream {
public:
    explicit NFileStream(FILE* f);
    ~NFileStream() override;
    NFileStream(const NFileStream&) = delete;
    NFileStream& operator=(const NFileStream&) = delete;

    int32_t Read(void* buffer, uint32_t count) override;
    int32_t Write(const void* buffer, uint32_t count) override;
    uint64_t Remaining() const override;

    FILE* file;

private:
    uint64_t size_ = 0;  // file size when opened, for Remaining
    // Where the file stands: where it stood when the stream was made, plus
    // what was read and written since, so Remaining need not ask the file.
    uint64_t offset_ = 0;
    bool offsetKnown_ = false;  // false when the file could not say where it stood
};

// A stream over a growable memory buffer with one cursor shared by reading
// and writing. Reading past the end yields zero bytes.
class NBufferStream : public NodeStream {
public:
    explicit NBufferStream(int32_t initialCapacity);

    int32_t Read(void* buffer, uint32_t count) override;
    int32_t Write(const void* buffer, uint32_t count) override;
    uint64_t Remaining() const override;

    int32_t capacity;
    std::unique_ptr<uint8_t[]> data;
    int32_t position = 0;
};

// The next length bytes of another stream, read where they stand instead of
// copied: a node's private data block inside a graph stream. It reads as a
// buffer stream of capacity length holding those bytes does: zeros past the
// end, one cursor that only moves forward, and a write that moves the cursor
// on over bytes nothing reads again (written bytes are not kept). The outer
// stream is never read beyond the window. Finish moves the outer stream to
// the end of the window, however much of it was read.
class NBlockStream : public NodeStream {
public:
    NBlockStream(NodeStream& outer, uint32_t length);
    NBlockStream(const NBlockStream&) = delete;
    NBlockStream& operator=(const NBlockStream&) = delete;

    int32_t Read(void* buffer, uint32_t count) override;
    int32_t Write(const void* buffer, uint32_t count) override;
    uint64_t Remaining() const override;

    void Finish();

private:
    // Reads and drops the outer bytes of the window that the cursor has
    // passed over without reading them.
    void CatchUp();

    NodeStream& outer_;
    uint32_t length_;
    uint64_t position_ = 0;  // the cursor
    uint32_t consumed_ = 0;  // bytes of the window taken from the outer stream
};

// Reads and drops count bytes of the stream, a little at a time.
void SkipBytes(NodeStream& stream, uint64_t count);
