#include "service_fixture.h"

#include <curl/curl.h>

namespace sky::member::test {
namespace {

size_t Collect(char* data, size_t size, size_t n, void* out) {
    static_cast<std::string*>(out)->append(data, size * n);
    return size * n;
}

Reply Perform(CURL* curl, curl_slist* headers, long timeoutSeconds = 20) {
    Reply r;
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &r.body);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, timeoutSeconds);
    if (headers) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    CURLcode rc = curl_easy_perform(curl);
    EXPECT_EQ(rc, CURLE_OK) << curl_easy_strerror(rc);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &r.code);
    char* location = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location) == CURLE_OK && location)
        r.location = location;
    char* type = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type) r.type = type;
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return r;
}

}  // namespace

Reply HttpGet(const std::string& url, const std::string& host, const std::string& from, long timeoutSeconds) {
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    if (!from.empty()) curl_easy_setopt(curl, CURLOPT_INTERFACE, from.c_str());
    curl_slist* headers = nullptr;
    if (!host.empty()) headers = curl_slist_append(headers, ("Host: " + host).c_str());
    return Perform(curl, headers, timeoutSeconds);
}

Reply HttpPost(const std::string& url, const std::string& body) {
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, long(body.size()));
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/x-www-form-urlencoded");
    headers = curl_slist_append(headers, "Expect:");
    return Perform(curl, headers);
}

void ServiceTest::SetUp() {
    data_ = sandbox_.path("MemberService");
    options_.port = 0;
    options_.dataDir = data_;
    options_.searchUrl = "https://search.example/?q=";
    options_.newsSearchUrl = "https://news.example/find?words=";
    Configure(options_);
    service_ = std::make_unique<MemberService>(options_);
    std::string error;
    ASSERT_TRUE(service_->Start(&error)) << error;
    ASSERT_GT(service_->port(), 0);
}

bool ServiceTest::Restart(const std::string& publicUrl) {
    service_.reset();
    Options options = options_;
    options.publicUrl = publicUrl;
    service_ = std::make_unique<MemberService>(options);
    std::string error;
    bool started = service_->Start(&error);
    EXPECT_TRUE(started) << error;
    return started;
}

void ServiceTest::TearDown() {
    service_.reset();
}

std::string ServiceTest::Url(const std::string& pathAndQuery) const {
    return "http://127.0.0.1:" + std::to_string(service_->port()) + pathAndQuery;
}

void ServiceTest::AddAlice() {
    std::string error;
    ASSERT_TRUE(AddMember(data_, "alice", "secret", "my cat", "alice@example.org", &error)) << error;
}

}  // namespace sky::member::test
