// Test entry: every test runs headless on Qt's offscreen platform with one QApplication,
// so fonts, pixmaps and widgets are available to the tests that need them. Settings and
// user data go to a private temporary home that is removed at the end.

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

// A sharded run (GTEST_TOTAL_SHARDS, GTEST_SHARD_INDEX) has chosen its tests by the time the
// environments are set up; tests that start this program again as a child then must not
// pass the shard on, or the child would skip the very test it was started for.
class TShardEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        qunsetenv("GTEST_TOTAL_SHARDS");
        qunsetenv("GTEST_SHARD_INDEX");
    }
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    char pattern[] = "/tmp/vantomi-test-XXXXXX";
    const char* home = mkdtemp(pattern);
    if (home) {
        const QByteArray h(home);
        qputenv("XDG_CONFIG_HOME", h + "/config");
        qputenv("XDG_DATA_HOME", h + "/data");
        qputenv("XDG_CACHE_HOME", h + "/cache");
        qputenv("XDG_RUNTIME_DIR", h + "/runtime");
        std::filesystem::create_directories(std::string(home) + "/runtime");
        std::filesystem::permissions(std::string(home) + "/runtime",
                                     std::filesystem::perms::owner_all);
    }
    int result;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        ::testing::AddGlobalTestEnvironment(new TShardEnvironment); // owned by the framework
        result = RUN_ALL_TESTS();
    }
    if (home) {
        std::error_code ec;
        std::filesystem::remove_all(home, ec);
    }
    return result;
}
