// The open shared by qm_core, the editor and the BMP loader for files a user
// or a shader names: a regular file (or a link to one) opens for blocking
// binary reads, closed on exec; a missing name, a directory, a device and a
// named pipe are refused, the pipe at once rather than after a writer came.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <fcntl.h>

#include "common/regular_file.h"
#include "fifo_test_support.h"
#include "image_test_files.h"

namespace {

using imagetest::TempDir;
using imagetest::WriteFile;

TEST(RegularFile, ARegularFileOrALinkToOneOpensForBlockingReads)
{
    TempDir dir;
    const std::string path = dir.File("plain.bin");
    WriteFile(path, {1, 2, 3});
    const std::string link = dir.File("link.bin");
    std::filesystem::create_symlink(path, link);
    for (const std::string& name : {path, link}) {
        FILE* file = OpenRegularFile(name.c_str());
        ASSERT_NE(file, nullptr) << name;
        const int flags = fcntl(fileno(file), F_GETFL);
        EXPECT_EQ(flags & O_ACCMODE, O_RDONLY) << name;
        EXPECT_EQ(flags & O_NONBLOCK, 0) << name;
        EXPECT_NE(fcntl(fileno(file), F_GETFD) & FD_CLOEXEC, 0) << name;
        unsigned char bytes[4] = {};
        EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, file), 3u) << name;
        EXPECT_EQ(bytes[2], 3) << name;
        EXPECT_EQ(std::fclose(file), 0) << name;
    }
}

TEST(RegularFile, AnythingButARegularFileIsRefusedAndAPipeAtOnce)
{
    TempDir dir;
    EXPECT_EQ(OpenRegularFile(nullptr), nullptr);
    EXPECT_EQ(OpenRegularFile(""), nullptr);
    EXPECT_EQ(OpenRegularFile(dir.File("missing.bin").c_str()), nullptr);
    EXPECT_EQ(OpenRegularFile(dir.File("").c_str()), nullptr) << "a directory";
    EXPECT_EQ(OpenRegularFile("/dev/null"), nullptr) << "a device";
    std::filesystem::create_symlink(dir.File("missing.bin"), dir.File("dangling.bin"));
    EXPECT_EQ(OpenRegularFile(dir.File("dangling.bin").c_str()), nullptr);

    // A named pipe, and a link to one: refused without waiting for a writer.
    const std::string fifo = dir.File("pipe.bin");
    ASSERT_TRUE(fifotest::MakeFifo(fifo));
    std::filesystem::create_symlink(fifo, dir.File("pipe_link.bin"));
    for (const std::string& name : {fifo, dir.File("pipe_link.bin")}) {
        FILE* file = nullptr;
        EXPECT_TRUE(
            fifotest::ReturnsWithoutAWriter(fifo, [&] { file = OpenRegularFile(name.c_str()); }))
            << name << ": the open waited for a writer";
        EXPECT_EQ(file, nullptr) << name;
        if (file != nullptr) {
            std::fclose(file);
        }
    }
}

}  // namespace
