#include "serve/security.h"

#include <gtest/gtest.h>

#include <set>

namespace zel::serve {
namespace {

TEST(Token, IsThirtyTwoHexDigitsAndFreshEachTime)
{
    std::set<std::string> seen;
    for (int i = 0; i < 16; ++i) {
        const std::string token = random_token();
        EXPECT_EQ(token.size(), 32u);
        EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos) << token;
        seen.insert(token);
    }
    EXPECT_EQ(seen.size(), 16u);
}

TEST(Token, MatchesOnlyTheWholeToken)
{
    EXPECT_TRUE(token_matches("0123456789abcdef0123456789abcdef", "0123456789abcdef0123456789abcdef"));
    EXPECT_FALSE(token_matches("0123456789abcdef0123456789abcdee", "0123456789abcdef0123456789abcdef"));
    EXPECT_FALSE(token_matches("0123456789abcdef", "0123456789abcdef0123456789abcdef"));
    EXPECT_FALSE(token_matches("0123456789abcdef0123456789abcdef0", "0123456789abcdef0123456789abcdef"));
    EXPECT_FALSE(token_matches("", "0123456789abcdef0123456789abcdef"));
}

TEST(Token, CookieIsFoundByItsPortsName)
{
    EXPECT_EQ(token_cookie_name(8765), "zel_token_8765");
    EXPECT_EQ(cookie_value("zel_token_8765=abc", "zel_token_8765"), "abc");
    EXPECT_EQ(cookie_value("a=1; zel_token_8765=abc; b=2", "zel_token_8765"), "abc");
    // Another server's cookie on the same host is not this one's.
    EXPECT_EQ(cookie_value("zel_token_8766=abc", "zel_token_8765"), std::nullopt);
    EXPECT_EQ(cookie_value("xzel_token_8765=abc", "zel_token_8765"), std::nullopt);
    EXPECT_EQ(cookie_value("", "zel_token_8765"), std::nullopt);
}

TEST(Token, BearerHeader)
{
    EXPECT_EQ(bearer_token("Bearer abc"), "abc");
    EXPECT_EQ(bearer_token("bearer  abc "), "abc");
    EXPECT_EQ(bearer_token("Basic abc"), std::nullopt);
    EXPECT_EQ(bearer_token("Bearer "), std::nullopt);
    EXPECT_EQ(bearer_token(""), std::nullopt);
}

TEST(Host, LoopbackBindTakesLoopbackNamesOnItsPort)
{
    for (const char* host : {"127.0.0.1:8765", "localhost:8765", "LocalHost:8765", "[::1]:8765"}) {
        EXPECT_TRUE(host_allowed(host, "127.0.0.1", 8765, "labpc")) << host;
    }
    for (const char* host : {
             "127.0.0.1:8766",       // another port
             "127.0.0.1",            // no port
             "localhost:",           // empty port
             "localhost:8765x",      // not a number
             "attacker.example:8765",  // a DNS name that may point here
             "labpc:8765",           // the machine's name, but it is not listening there
             "192.168.1.20:8765",    // an address it is not bound to
             "::1:8765",             // IPv6 without brackets
             "[::1]8765",
             "[nonsense]:8765",
             ":8765",
             ""}) {
        EXPECT_FALSE(host_allowed(host, "127.0.0.1", 8765, "labpc")) << host;
    }
}

TEST(Host, SpecificBindTakesItsOwnAddress)
{
    EXPECT_TRUE(host_allowed("192.168.1.20:80", "192.168.1.20", 80, "labpc"));
    EXPECT_TRUE(host_allowed("localhost:80", "192.168.1.20", 80, "labpc"));
    EXPECT_FALSE(host_allowed("192.168.1.21:80", "192.168.1.20", 80, "labpc"));
    EXPECT_TRUE(host_allowed("[fe80::1]:80", "fe80::1", 80, "labpc"));
    EXPECT_TRUE(host_allowed("[FE80:0::1]:80", "fe80::1", 80, "labpc"));
}

TEST(Host, WildcardBindTakesAddressLiteralsAndTheMachinesName)
{
    EXPECT_TRUE(host_allowed("192.168.1.20:80", "0.0.0.0", 80, "labpc"));
    EXPECT_TRUE(host_allowed("[fe80::1]:80", "::", 80, "labpc"));
    EXPECT_TRUE(host_allowed("LABPC:80", "0.0.0.0", 80, "labpc"));
    EXPECT_FALSE(host_allowed("attacker.example:80", "0.0.0.0", 80, "labpc"));
    EXPECT_FALSE(host_allowed("anything:80", "0.0.0.0", 80, ""));
}

TEST(Origin, OnlyTheServersOwnOrNone)
{
    EXPECT_TRUE(origin_allowed("", "127.0.0.1", 8765, "labpc"));
    EXPECT_TRUE(origin_allowed("http://127.0.0.1:8765", "127.0.0.1", 8765, "labpc"));
    EXPECT_TRUE(origin_allowed("http://localhost:8765", "127.0.0.1", 8765, "labpc"));
    EXPECT_FALSE(origin_allowed("http://attacker.example:8765", "127.0.0.1", 8765, "labpc"));
    EXPECT_FALSE(origin_allowed("https://127.0.0.1:8765", "127.0.0.1", 8765, "labpc"));
    EXPECT_FALSE(origin_allowed("http://127.0.0.1:8000", "127.0.0.1", 8765, "labpc"));
    EXPECT_FALSE(origin_allowed("null", "127.0.0.1", 8765, "labpc"));
}

}  // namespace
}  // namespace zel::serve
