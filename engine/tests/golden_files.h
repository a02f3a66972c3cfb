#pragma once
// Files the test suite writes and the tree keeps: sample graphs in examples/
// and the .shd fuzzer's seeds. A test compares each stored file with what the
// engine writes now; with its update variable set in the environment it
// rewrites the file first, after a deliberate change of the format or of a
// node type's ports.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace golden {

inline std::filesystem::path ShdSeedDir()
{
    return QM_SHD_SEED_DIR;
}

inline std::vector<uint8_t> ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

inline void Expect(const std::filesystem::path& path, const std::vector<uint8_t>& bytes,
                   const char* updateVariable)
{
    if (std::getenv(updateVariable) != nullptr) {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    ASSERT_TRUE(std::filesystem::exists(path))
        << path << " is missing; run with " << updateVariable << "=1";
    EXPECT_EQ(ReadFile(path), bytes) << path << " is stale; run with " << updateVariable << "=1";
}

}  // namespace golden
