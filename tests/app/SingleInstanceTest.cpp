// The instance lock and the runtime folder it lives in.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "platform/SingleInstance.h"
#include "support/EnvGuard.h"
#include "support/TestWave.h"

namespace quillon {
namespace {

using test::TempDir;

TEST(InstanceLock, OnlyOneHolderUntilItIsReleased) {
    TempDir runtime;
    auto first = std::make_unique<platform::InstanceLock>();
    ASSERT_TRUE(first->TryAcquire(runtime.path()));
    platform::InstanceLock second;
    EXPECT_FALSE(second.TryAcquire(runtime.path()));
    first.reset();
    EXPECT_TRUE(second.TryAcquire(runtime.path()));
}

TEST(InstanceLock, UnusableFolderCountsAsASecondStart) {
    platform::InstanceLock lock;
    EXPECT_FALSE(lock.TryAcquire(""));
    EXPECT_FALSE(lock.TryAcquire("/no/such/folder"));
}

TEST(RuntimeFolder, FallsBackToAPrivateFolder) {
    test::EnvGuard guard("XDG_RUNTIME_DIR", "relative/path");
    const std::string folder = platform::RuntimeFolder();
    ASSERT_FALSE(folder.empty());
    struct stat st {};
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, getuid());
}

}  // namespace
}  // namespace quillon
