#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "member_service/member_service.h"
#include "support/sandbox.h"

namespace sky::member::test {

struct Reply {
    long code = 0;
    std::string body;
    std::string location;
    std::string type;
};

// `from`: the loopback address the request comes from (any 127.x.y.z).
Reply HttpGet(const std::string& url, const std::string& host = {}, const std::string& from = {},
              long timeoutSeconds = 20);
Reply HttpPost(const std::string& url, const std::string& body);

// A service of its own on a free loopback port, data in the sandbox.
class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    virtual void Configure(Options&) {}
    // Starts the service again on the same data (a restart); false when it cannot.
    bool Restart(const std::string& publicUrl = {});

    std::string Url(const std::string& pathAndQuery) const;
    Reply Get(const std::string& pathAndQuery) const { return HttpGet(Url(pathAndQuery)); }
    Reply GetFrom(const std::string& from, const std::string& pathAndQuery) const {
        return HttpGet(Url(pathAndQuery), {}, from);
    }
    void AddAlice();  // member "alice", password "secret", prompt "my cat"

    sky::test::Sandbox sandbox_;
    std::string data_;
    std::unique_ptr<MemberService> service_;
    Options options_;
};

}  // namespace sky::member::test
