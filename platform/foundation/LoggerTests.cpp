#include "platform/foundation/Logger.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

using namespace platform::foundation;

TEST(Logger, capturesReceiveEveryLineWithItsSubsystemAndCategory) {
    const Logger logger("com.example.Subsystem", "app");
    LogCapture outer;
    logger.debug("first");
    {
        LogCapture inner;
        logger.error("second");
        EXPECT_EQ(inner.records(),
                  (std::vector<LogRecord>{{"com.example.Subsystem", "app", LogLevel::error, "second"}}));
    }
    logger.info("third");
    EXPECT_EQ(outer.messages(), (std::vector<std::string>{"first", "second", "third"}));
    outer.clear();
    EXPECT_TRUE(outer.records().empty());
}

TEST(Logger, linesFromManyThreadsAllArrive) {
    const Logger logger("s", "c");
    LogCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) logger.debug("line");
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(capture.records().size(), 800u);
}

TEST(Logger, writesToStandardErrorOnlyWhenAskedAndNoJournalListens) {
    if (std::filesystem::exists("/run/systemd/journal/socket")) GTEST_SKIP() << "a journal is listening";
    const Logger logger("com.example.Subsystem", "app");

    ::unsetenv("TALLYFOX_DEBUG_LOG");
    testing::internal::CaptureStderr();
    logger.debug("quiet");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    ::setenv("TALLYFOX_DEBUG_LOG", "1", 1);
    testing::internal::CaptureStderr();
    logger.debug("Widget snapshot couldn't be decoded");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "com.example.Subsystem [app] debug: Widget snapshot couldn't be decoded\n");
    ::unsetenv("TALLYFOX_DEBUG_LOG");
}
