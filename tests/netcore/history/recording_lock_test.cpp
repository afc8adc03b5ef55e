#include "netcore/history/recording_lock.h"

#include "netns_sandbox.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sys/mount.h>

#include <cerrno>
#include <optional>

using namespace wirelark;

namespace {

namespace fs = std::filesystem;

} // namespace

TEST(RecordingLock, OnlyOneHolderAtATimeAndTheSecondIsToldWhy) {
    const wirelark::testing::TempDir folder;
    const auto history = folder.path() / "nested" / "history.plist";
    auto first = RecordingLock::acquire(history);
    ASSERT_TRUE(first) << first.error().description();
    EXPECT_TRUE(fs::exists(folder.path() / "nested" / "history.plist.recording"));

    // flock belongs to the open file, so a second open in this process is refused as well.
    const auto second = RecordingLock::acquire(history);
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error().code, RecordingLockError::Code::heldElsewhere);
    EXPECT_EQ(second.error().description(),
              "another process is already recording " + history.string());

    std::optional held(std::move(*first));
    held.reset();
    EXPECT_TRUE(RecordingLock::acquire(history)) << "released when the holder goes";
}

TEST(RecordingLock, InAFolderItCannotWriteAHolderIsStillFound) {
    WIRELARK_ENTER_NETNS_OR_SKIP(); // for mounts of this test's own; root ignores permissions
    const wirelark::testing::TempDir folder;
    const auto history = folder.path() / "history.plist";
    auto first = RecordingLock::acquire(history);
    ASSERT_TRUE(first) << first.error().description();
    std::optional holder(std::move(*first));
    const char* path = folder.path().c_str();
    ASSERT_EQ(mount(path, path, nullptr, MS_BIND, nullptr), 0);
    ASSERT_EQ(mount(nullptr, path, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr), 0);

    const auto held = RecordingLock::acquire(history);
    ASSERT_FALSE(held);
    EXPECT_EQ(held.error().code, RecordingLockError::Code::heldElsewhere);

    holder.reset();
    const auto unwritable = RecordingLock::acquire(history);
    ASSERT_FALSE(unwritable);
    EXPECT_EQ(unwritable.error().code, RecordingLockError::Code::cannotOpen);
    EXPECT_EQ(unwritable.error().error, std::errc::read_only_file_system);

    // A folder that cannot be made is the reason given, not the lock file missing in it.
    const auto noFolder = RecordingLock::acquire(folder.path() / "Wirelark" / "history.plist");
    ASSERT_FALSE(noFolder);
    EXPECT_EQ(noFolder.error().description(),
              "cannot create " + (folder.path() / "Wirelark").string() + ": Read-only file system");
    EXPECT_EQ(umount2(path, MNT_DETACH), 0);
}

TEST(RecordingLockError, DescribesEachFailureAsTheUserReadsIt) {
    struct Case {
        RecordingLockError error;
        const char* text;
    };
    const Case cases[] = {
        {{RecordingLockError::Code::heldElsewhere, "/home/a/history.plist", {}},
         "another process is already recording /home/a/history.plist"},
        {{RecordingLockError::Code::cannotCreateFolder, "/home/a/Wirelark", errnoCode(EROFS)},
         "cannot create /home/a/Wirelark: Read-only file system"},
        {{RecordingLockError::Code::cannotOpen, "/home/a/history.plist.recording",
          errnoCode(EACCES)},
         "cannot open /home/a/history.plist.recording: Permission denied"},
        {{RecordingLockError::Code::cannotLock, "/home/a/history.plist.recording",
          errnoCode(ENOLCK)},
         "cannot lock /home/a/history.plist.recording: No locks available"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.error.description(), c.text);
    }

    const auto unreachable = RecordingLock::acquire("/proc/self/nonexistent/history.plist");
    ASSERT_FALSE(unreachable);
    EXPECT_EQ(unreachable.error().code, RecordingLockError::Code::cannotCreateFolder);
    EXPECT_EQ(unreachable.error().path, "/proc/self/nonexistent");
}
