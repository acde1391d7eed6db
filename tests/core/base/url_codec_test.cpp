#include "core/base/url_codec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace sky {
namespace {

TEST(PercentCodec, EncodesOnlyWhatMustBeEscaped) {
    EXPECT_EQ(FormEncode("Az09-._~"), "Az09-._~");
    EXPECT_EQ(FormEncode("a b&c=d+e%f#g/h?\xe9"), "a+b%26c%3Dd%2Be%25f%23g%2Fh%3F%E9");
    EXPECT_EQ(PathEncode("/My Site/a+b%/\xff"), "/My%20Site/a%2Bb%25/%FF");
    EXPECT_EQ(FormEncode(std::string("a\0b", 3)), "a%00b");
}

TEST(PercentCodec, RoundTripsEveryByteAndRandomText) {
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    EXPECT_EQ(FormDecode(FormEncode(all)), all);
    EXPECT_EQ(PathDecode(PathEncode(all)), all);
    std::mt19937 rng(7);
    for (int n = 0; n < 500; ++n) {
        std::string s(rng() % 40, '\0');
        for (char& c : s) c = "%+ 2Fa/\x80"[rng() % 8];
        EXPECT_EQ(FormDecode(FormEncode(s)), s);
        EXPECT_EQ(PathDecode(PathEncode(s)), s);
        EXPECT_EQ(PercentDecode(PathEncode(s), {.doublePercent = true}), s);
    }
}

TEST(PercentCodec, HostileEscapesDecodeHarmlessly) {
    const struct {
        const char* in;
        const char* path;
        const char* form;
    } rows[] = {
        {"%41%2f%2F", "A//", "A//"}, {"a+b", "a+b", "a b"},    {"%", "%", "%"},
        {"%4", "%4", "%4"},          {"100%", "100%", "100%"}, {"%G1%1G%-1", "%G1%1G%-1", "%G1%1G%-1"},
        {"%%41", "%A", "%A"},        {"%2B+", "++", "+ "},     {"%252F", "%2F", "%2F"},  // decoded once only
    };
    for (const auto& r : rows) {
        EXPECT_EQ(PathDecode(r.in), r.path) << r.in;
        EXPECT_EQ(FormDecode(r.in), r.form) << r.in;
    }
    EXPECT_EQ(PathDecode("%00"), std::string(1, '\0'));
    // The web server's rule: "%%" is one "%", and the scan goes on after it.
    EXPECT_EQ(PercentDecode("%%41%%", {.doublePercent = true}), "%41%");
}

// Rows of (text, "host port" or "-" when refused).
void ExpectParsed(std::initializer_list<const char*> rows, int defaultPort, HostPortRules rules = {}) {
    for (auto in = rows.begin(); in != rows.end(); in += 2) {
        auto hp = ParseHostPort(*in, defaultPort, rules);
        EXPECT_EQ(hp ? hp->host + " " + std::to_string(hp->port) : "-", in[1]) << *in;
    }
}

TEST(HostPort, ParsesNamesAddressesAndPorts) {
    ExpectParsed({"svc.example", "svc.example 80", "svc.example:7780", "svc.example 7780", "127.0.0.1:1",
                  "127.0.0.1 1", "[::1]:8080", "::1 8080", "[fe80::1]", "fe80::1 80", "::1", "::1 80",
                  "[::ffff:10.0.0.1]:65535", "::ffff:10.0.0.1 65535"},
                 80);
    for (const char* in : {"", ":80", "host:", "host:0", "host:65536", "host:0080x", "host:+80",
                           "host:99999999999", "[::1", "[::1]80", "[::1]:", "[]:80", "[evil.com]:80",
                           "evil.com/x:80", "user@evil.com", "a b:80", "host\r\nX: y", "::1:zz"})
        EXPECT_EQ(ParseHostPort(in, 80), std::nullopt) << in;

    EXPECT_EQ(JoinHostPort("::1", 8080), "[::1]:8080");
    EXPECT_EQ(JoinHostPort("[::1]", 8080), "[::1]:8080");
    for (const char* in : {"[::1]:8080", "svc:7", "10.1.2.3:443"}) {
        auto hp = ParseHostPort(in, 80);
        ASSERT_TRUE(hp);
        EXPECT_EQ(JoinHostPort(hp->host, hp->port), in);
    }
}

// A listener may ask for port 0; a mail server field keeps its default port
// when the one typed is not a port, but still refuses a bad host.
TEST(HostPort, ListenerAndMailServerRules) {
    ExpectParsed({"127.0.0.1:0", "127.0.0.1 0", "[::1]:0", "::1 0", "host:65536", "-", "host:", "-"}, -1,
                 {.zeroPort = true});
    ExpectParsed({"pop.example:99999", "pop.example 0", "pop.example:", "pop.example 0", "[::1]:x", "::1 0",
                  "pop.example:0", "pop.example 0", "a b:110", "-"},
                 0, {.badPortIsDefault = true});
}

}  // namespace
}  // namespace sky
