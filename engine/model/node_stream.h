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
