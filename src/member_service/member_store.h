#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace sky::member {

struct MemberRecord {
    std::string name;
    std::string prompt;
    std::string email;
    std::string firstName;
    std::string lastName;
    int64_t created = 0;
    int64_t lastSeen = 0;     // last ping under this name, 0 when none
    std::string lastVersion;  // program version of that ping
};

struct PingRecord {
    std::string account;
    std::string cookie;
    std::string action;
    std::string version;
};

struct Topic {
    int64_t id = 0;
    int category = 0;
    std::string owner;
    std::string description;
    std::string longDescription;
    int64_t created = 0;
};

struct Comment {
    int64_t id = 0;
    int64_t topic = 0;
    std::string heading;
    std::string user;
    std::string text;
    std::string attachUrl, attachDesc;
    std::string linkUrl, linkDesc;
    int64_t created = 0;
};

enum class LoginResult { Ok, BadPassword, Unknown };
enum class AddResult { Added, Taken, Invalid, Failed };

// Member names as the program sends them: lower case letters, digits, ".",
// "-", "_"; at most 59 bytes (the account field of a transfer record).
bool ValidMemberName(const std::string& name);

// The database of a data folder. One connection guarded by a mutex; WAL and
// a busy timeout let the admin commands write while a service runs.
class MemberStore {
public:
    ~MemberStore();
    static std::unique_ptr<MemberStore> Open(const std::string& dataDir, std::string* error);

    AddResult AddMember(const MemberRecord& member, const std::string& password, std::string* error);
    // Wrong passwords count per name and source address: after kMaxFailures
    // of them within kLockout that address gets no answer but "wrong" for
    // the name until kLockout has passed since the first. Past kFreeFailures
    // for the name from anywhere, an address other than the member's usual
    // one (of her last login) gets one try per delay, which doubles with
    // each further failure, so guessing from many addresses gains nothing.
    // A blank password (asking for the prompt) is no failure.
    static constexpr int kMaxFailures = 10;
    static constexpr int kFreeFailures = 5;
    static constexpr std::chrono::minutes kLockout{10};
    static constexpr std::chrono::seconds kFirstDelay{30};
    LoginResult CheckLogin(const std::string& name, const std::string& password, std::string* prompt,
                           const std::string& address);
    // A login by the program: its address becomes the usual one, and the
    // next ping under the name from there, soon after, names her install cookie.
    void RecordLogin(const std::string& name, const std::string& address);
    // Whether a ping is the member's own: her install cookie, or the first
    // ping after her login from its address.
    bool OwnPing(const PingRecord& ping, const std::string& address);
    std::optional<MemberRecord> FindMember(const std::string& name);

    int PostMessage(int kind, const std::string& url, std::string* error);
    // Newest message of a kind: serial and url; serial 0 when none.
    std::pair<int, std::string> NewestMessage(int kind);
    bool SetSetting(const std::string& key, const std::string& value, std::string* error);
    std::string GetSetting(const std::string& key, const std::string& def);

    void RecordPing(const PingRecord& ping);

    // A public-space file belongs to the member who first posted it; true
    // when `account` is (or now becomes) its owner.
    bool ClaimPublicFile(const std::string& name, const std::string& account);
    void ReleasePublicFile(const std::string& name, const std::string& account);

    int64_t AddTopic(const Topic& topic);
    int64_t AddComment(const Comment& comment);  // 0 when the topic does not exist
    std::optional<Topic> FindTopic(int64_t id);
    std::vector<Topic> Topics();
    std::vector<Comment> Comments(int64_t topic);

private:
    explicit MemberStore(sqlite3* db) : db_(db) {}
    sqlite3* db_;
    std::mutex mutex_;
    struct Failures {
        int count = 0;
        std::chrono::steady_clock::time_point since;  // first failure (pairs), last (names)
    };
    std::mutex failuresMutex_;
    std::map<std::pair<std::string, std::string>, Failures> pairFailures_;
    std::map<std::string, Failures> nameFailures_;
    void ForgetOldFailures(std::chrono::steady_clock::time_point now);
};

// "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>" with a fresh random salt.
std::string HashPassword(const std::string& password);
bool VerifyPassword(const std::string& password, const std::string& stored);

}  // namespace sky::member
