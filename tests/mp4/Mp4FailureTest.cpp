// Write failures are reported and never followed by a success.
#include "tests/support/BoxReader.h"
#include "mp4/Mp4File.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace {

TEST(Mp4Failure, CreateInAMissingFolderFailsWithAReason)
{
    testsupport::TempDir dir;
    std::string error;
    EXPECT_EQ(mp4::File::Create(dir / "no/such/folder/book.m4b", &error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST(Mp4Failure, FullDiskFailsSamplesAndClose)
{
    // /dev/full accepts the open and refuses every write with ENOSPC.
    auto file = mp4::File::Create("/dev/full");
    ASSERT_TRUE(file);
    const auto track = file->AddAudioTrack(44100, 1024, mp4::MPEG4_AUDIO_TYPE);
    const std::vector<uint8_t> frame(4096, 0x55);
    bool refused = false;
    // Writes are buffered: the failure shows once the buffer reaches the file.
    for (int i = 0; i < 1000 && !refused; ++i)
        refused = !file->WriteSample(track, frame.data(), static_cast<uint32_t>(frame.size()), 1024);
    EXPECT_TRUE(refused);
    EXPECT_TRUE(file->HasFailed());
    EXPECT_FALSE(file->ErrorText().empty());
    EXPECT_FALSE(file->WriteSample(track, frame.data(), 16, 1024));
    EXPECT_FALSE(file->Close());
    EXPECT_FALSE(file->Close());
}

TEST(Mp4Failure, FailureInTheFinalIndexFailsClose)
{
    // Everything fits the buffer; only Close reaches the device.
    auto file = mp4::File::Create("/dev/full");
    ASSERT_TRUE(file);
    const auto track = file->AddAudioTrack(44100, 1024, mp4::MPEG4_AUDIO_TYPE);
    const uint8_t frame[8] = {};
    EXPECT_TRUE(file->WriteSample(track, frame, sizeof frame, 1024));
    EXPECT_FALSE(file->HasFailed());
    EXPECT_FALSE(file->Close());
    EXPECT_TRUE(file->HasFailed());
}

TEST(Mp4Failure, ReadOnlyFolderRefusesCreate)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes anywhere";
    testsupport::TempDir dir;
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    std::string error;
    EXPECT_EQ(mp4::File::Create(dir / "book.m4b", &error), nullptr);
    EXPECT_NE(error.find("denied"), std::string::npos) << error;
}

}  // namespace
