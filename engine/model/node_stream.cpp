#include "model/node_stream.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "model/node.h"

static_assert(std::endian::native == std::endian::little,
              "the stream encodings assume a little-endian host");

bool NodeStream::ReadExact(void* buffer, uint32_t count)
{
    const bool enough = Remaining() >= count;
    std::memset(buffer, 0, count);
    Read(buffer, count);
    if (!enough) {
        MarkFailed();
    }
    return enough;
}

void NodeStream::WriteInt(int32_t value)
{
    Write(&value, sizeof value);
}

template <typename T>
T NodeStream::ReadNumber()
{
    T value = 0;
    ReadExact(&value, sizeof value);
    return value;
}

int32_t NodeStream::ReadInt()
{
    return ReadNumber<int32_t>();
}

void NodeStream::WriteDouble(double value)
{
    Write(&value, sizeof value);
}

double NodeStream::ReadDouble()
{
    return ReadNumber<double>();
}

void NodeStream::WriteId(const Node* node)
{
    WriteInt(node != nullptr ? node->id : 0);
}

int32_t NodeStream::ReadId()
{
    return ReadInt();
}

void NodeStream::WriteString(const std::string& text)
{
    const size_t length = std::strlen(text.c_str());
    WriteInt(static_cast<int32_t>(length + 1));
    Write(text.c_str(), static_cast<uint32_t>(length + 1));
}

std::string NodeStream::ReadString()
{
    const int32_t n = ReadInt();
    if (n <= 0) {
        if (n < 0) {
            MarkFailed();
        }
        return std::string();
    }
    if (Remaining() < static_cast<uint64_t>(n)) {
        MarkFailed();
        return std::string();
    }
    std::vector<char> bytes(static_cast<size_t>(n));
    Read(bytes.data(), static_cast<uint32_t>(n));
    const auto end = std::find(bytes.begin(), bytes.end(), '\0');
    return std::string(bytes.begin(), end);
}

NFileStream::NFileStream(FILE* f) : file(f)
{
    struct stat st {};
    if (file != nullptr && fstat(fileno(file), &st) == 0 && st.st_size > 0) {
        size_ = static_cast<uint64_t>(st.st_size);
    }
    // Asked once: the typed reads check what is left before every item, and
    // asking the file each time costs a system call per item.
    const long at = file != nullptr ? std::ftell(file) : -1;
    if (at >= 0) {
        offset_ = static_cast<uint64_t>(at);
        offsetKnown_ = true;
    }
}

NFileStream::~NFileStream()
{
    if (file != nullptr) {
        std::fclose(file);
    }
}

int32_t NFileStream::Read(void* buffer, uint32_t count)
{
    if (file == nullptr) {
        return 0;
    }
    const size_t done = std::fread(buffer, 1, count, file);
    offset_ += done;
    return static_cast<int32_t>(done);
}

int32_t NFileStream::Write(const void* buffer, uint32_t count)
{
    if (file == nullptr) {
        return 0;
    }
    const size_t done = std::fwrite(buffer, 1, count, file);
    offset_ += done;
    return static_cast<int32_t>(done);
}

uint64_t NFileStream::Remaining() const
{
    if (file == nullptr || !offsetKnown_ || offset_ >= size_) {
        return 0;
    }
    return size_ - offset_;
}

NBufferStream::NBufferStream(int32_t initialCapacity)
    : capacity(std::max<int32_t>(initialCapacity, 0)),
      data(new uint8_t[static_cast<size_t>(capacity)]())
{
}

int32_t NBufferStream::Read(void* buffer, uint32_t count)
{
    auto* out = static_cast<uint8_t*>(buffer);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t at = static_cast<uint32_t>(position) + i;
        out[i] = at < static_cast<uint32_t>(capacity) ? data[at] : 0;
    }
    position = static_cast<int32_t>(static_cast<uint32_t>(position) + count);
    return static_cast<int32_t>(count);
}

int32_t NBufferStream::Write(const void* buffer, uint32_t count)
{
    const uint64_t end = static_cast<uint64_t>(static_cast<uint32_t>(position)) + count;
    if (end >= static_cast<uint32_t>(capacity)) {
        const uint64_t grown = std::max<uint64_t>(2ull * static_cast<uint32_t>(capacity), end);
        auto bigger = std::make_unique<uint8_t[]>(static_cast<size_t>(grown));
        std::memcpy(bigger.get(), data.get(), static_cast<size_t>(capacity));
        data = std::move(bigger);
        capacity = static_cast<int32_t>(grown);
    }
    std::memcpy(data.get() + position, buffer, count);
    position = static_cast<int32_t>(end);
    return 1;
}

uint64_t NBufferStream::Remaining() const
{
    if (position < 0 || position >= capacity) {
        return 0;
    }
    return static_cast<uint64_t>(capacity - position);
}

NBlockStream::NBlockStream(NodeStream& outer, uint32_t length) : outer_(outer), length_(length) {}

void NBlockStream::CatchUp()
{
    const uint64_t passed = std::min<uint64_t>(position_, length_);
    if (passed > consumed_) {
        SkipBytes(outer_, passed - consumed_);
        consumed_ = static_cast<uint32_t>(passed);
    }
}

int32_t NBlockStream::Read(void* buffer, uint32_t count)
{
    std::memset(buffer, 0, count);
    if (position_ < length_) {
        CatchUp();
        const auto inside = static_cast<uint32_t>(std::min<uint64_t>(count, length_ - position_));
        outer_.Read(buffer, inside);  // a short outer read leaves zeros, as a short copy would
        consumed_ += inside;
    }
    position_ += count;
    return static_cast<int32_t>(count);
}

int32_t NBlockStream::Write(const void*, uint32_t count)
{
    // Reads go on after the written bytes, so they are never read back: only
    // the cursor moves.
    position_ += count;
    return 1;
}

uint64_t NBlockStream::Remaining() const
{
    return position_ < length_ ? length_ - position_ : 0;
}

void NBlockStream::Finish()
{
    SkipBytes(outer_, length_ - consumed_);
    consumed_ = length_;
}

void SkipBytes(NodeStream& stream, uint64_t count)
{
    char scratch[4096];
    while (count > 0) {
        const auto chunk = static_cast<uint32_t>(std::min<uint64_t>(count, sizeof scratch));
        stream.Read(scratch, chunk);
        count -= chunk;
    }
}
