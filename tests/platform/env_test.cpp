// Tests of environment values read as CP850 texts.
#include "platform/env.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace korvidan {
namespace {

TEST(EnvironmentText, ConvertsToCp850) {
    test::ScopedEnv env;
    env.Set("QORROOT", "/srv/caf\xC3\xA9/");  // café
    env.Set("QORTMP", "\xE2\x82\xAC");       // €
    env.Set("QOREXE", "\xE4\xB8\xAD");       // a character CP850 cannot hold
    env.Set("HTTP_ACCEPT", "\xFF\xFE");      // not UTF-8
    env.Unset("WINDIR");
    env.Set("SYSTEMROOT", std::string(10000, 'x'));
    EXPECT_EQ(EnvironmentText("QORROOT"), "/srv/caf\x82/");
    EXPECT_EQ(EnvironmentText("QORTMP"), "\xD5");
    EXPECT_EQ(EnvironmentText("QOREXE"), "");
    EXPECT_EQ(EnvironmentText("HTTP_ACCEPT"), "");
    EXPECT_EQ(EnvironmentText("WINDIR"), "");
    EXPECT_EQ(EnvironmentText("SYSTEMROOT"), std::string(10000, 'x'));
}

TEST(EnvironmentText, TermIsReadFromQorterm) {
    test::ScopedEnv env;
    env.Set("TERM", "xterm-256color");
    env.Set("QORTERM", "/home/terminal1/");
    EXPECT_EQ(EnvironmentText("TERM"), "/home/terminal1/");
    env.Unset("QORTERM");
    EXPECT_EQ(EnvironmentText("TERM"), "");
}

}  // namespace
}  // namespace korvidan
