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
    // After kMaxFailures wrong passwords for a name within kLockout, every
    // password counts as wrong until that time has passed since the first
    // of them, so nobody can try passwords at speed. A blank one (asking for
    // the prompt) is no failure.
    static constexpr int kMaxFailures = 10;
    static constexpr std::chrono::minutes kLockout{10};
    LoginResult CheckLogin(const std::string& name, const std::string& password, std::string* prompt);
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
        std::chrono::steady_clock::time_point since;
    };
    std::mutex failuresMutex_;
    std::map<std::string, Failures> failures_;
};

// "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>" with a fresh random salt.
std::string HashPassword(const std::string& password);
bool VerifyPassword(const std::string& password, const std::string& stored);

}  // namespace sky::member
