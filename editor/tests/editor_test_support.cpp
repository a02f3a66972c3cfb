#include "editor_test_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace editor_test {

std::vector<uint8_t> FileBytes(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF) {
            bytes.push_back(static_cast<uint8_t>(c));
        }
        std::fclose(f);
    }
    return bytes;
}

std::vector<uint8_t> Pixels(const dib24& bitmap)
{
    return std::vector<uint8_t>(bitmap.bits, bitmap.bits + bitmap.rowBytes * bitmap.height);
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

ScratchDir::ScratchDir()
{
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quillmere-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "no scratch folder";
    }
    dir_ = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(dir_, ec);
}

}  // namespace editor_test
