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

Reply HttpGet(const std::string& url, const std::string& host = {});
Reply HttpPost(const std::string& url, const std::string& body);

// A service of its own on a free loopback port, data in the sandbox.
class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string Url(const std::string& pathAndQuery) const;
    Reply Get(const std::string& pathAndQuery) const { return HttpGet(Url(pathAndQuery)); }
    void AddAlice();  // member "alice", password "secret", prompt "my cat"

    sky::test::Sandbox sandbox_;
    std::string data_;
    std::unique_ptr<MemberService> service_;
};

}  // namespace sky::member::test
