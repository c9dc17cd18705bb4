// A recording's file beside the recorder module: named after its start in
// UTC, and never a file that exists.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "recording/module/beside.h"

TEST(RecordingPath, is_named_after_the_utc_start_and_never_a_file_that_exists)
{
    const std::string folder = std::string(RECORDING_PATH_TEST_DIR) + "/";
    const std::string base = folder + "vornak-20261208-092000";
    const std::time_t start = 1796721600;  // 2026-12-08 09:20:00 UTC
    for (const char* n : {"", "-2", "-3"}) std::remove((base + n + ".rec.gz").c_str());
    std::ofstream(base + ".rec.gz") << "kept";

    std::string path, error;
    for (const char* n : {"-2", "-3"}) {
        ASSERT_TRUE(ReserveRecordingPath(folder, start, path, error)) << error;
        EXPECT_EQ(path, base + n + ".rec.gz");
    }
    std::ostringstream kept;
    kept << std::ifstream(base + ".rec.gz").rdbuf();
    EXPECT_EQ(kept.str(), "kept");

    EXPECT_FALSE(ReserveRecordingPath(folder + "missing/", start, path, error));
    EXPECT_EQ(error.rfind("cannot create " + folder + "missing/vornak-20261208-092000.rec.gz: ", 0),
              0u)
        << error;
}

TEST(RecordingPath, a_thousand_sessions_in_one_second_each_get_a_new_file)
{
    const std::string folder = std::string(RECORDING_PATH_TEST_DIR) + "/thousand/";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    std::set<std::string> paths;
    std::string path, error;
    for (int session = 0; session < 1000; ++session) {
        ASSERT_TRUE(ReserveRecordingPath(folder, 1796721600, path, error)) << error;
        paths.insert(path);
    }
    EXPECT_EQ(paths.size(), 1000u);
    EXPECT_EQ(paths.count(folder + "vornak-20261208-092000-1000.rec.gz"), 1u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1000);
}
