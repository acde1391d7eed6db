#include "member_service/member_store.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>

namespace sky::member {
namespace {

constexpr int kIterations = 120000;
// How long after a login its ping may name the install cookie.
constexpr int64_t kLoginPingWindow = 300;
// Failure records kept before old ones are dropped.
constexpr size_t kMaxFailureRecords = 10000;

// A prepared statement that finalises itself; binds by position from 1.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
    bool ok() const { return stmt_ != nullptr; }
    Statement& Bind(int i, const std::string& v) {
        sqlite3_bind_text(stmt_, i, v.data(), int(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Bind(int i, int64_t v) {
        sqlite3_bind_int64(stmt_, i, v);
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step() { return stmt_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
    std::string Text(int col) {
        const unsigned char* t = sqlite3_column_text(stmt_, col);
        return t ? std::string(reinterpret_cast<const char*>(t), sqlite3_column_bytes(stmt_, col)) : "";
    }
    int64_t Int(int col) { return sqlite3_column_int64(stmt_, col); }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

std::string Hex(const unsigned char* p, size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

bool Unhex(const std::string& s, std::string* out) {
    if (s.size() % 2) return false;
    out->clear();
    for (size_t i = 0; i < s.size(); i += 2) {
        int v = 0;
        for (int k = 0; k < 2; ++k) {
            char c = s[i + k];
            int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (d < 0) return false;
            v = v * 16 + d;
        }
        out->push_back(char(v));
    }
    return true;
}

std::string Derive(const std::string& password, const std::string& salt, int iterations) {
    unsigned char out[32];
    PKCS5_PBKDF2_HMAC(password.data(), int(password.size()),
                      reinterpret_cast<const unsigned char*>(salt.data()), int(salt.size()), iterations,
                      EVP_sha256(), sizeof out, out);
    return std::string(reinterpret_cast<char*>(out), sizeof out);
}

const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS members(
    name TEXT PRIMARY KEY, pass TEXT NOT NULL, prompt TEXT NOT NULL, email TEXT NOT NULL,
    fname TEXT NOT NULL, lname TEXT NOT NULL, created INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS messages(
    kind INTEGER NOT NULL, serial INTEGER NOT NULL, url TEXT NOT NULL, posted INTEGER NOT NULL,
    PRIMARY KEY(kind, serial));
CREATE TABLE IF NOT EXISTS settings(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS public_files(name TEXT PRIMARY KEY, owner TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS pings(
    account TEXT PRIMARY KEY, cookie TEXT, action TEXT, version TEXT, time INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS sessions(
    account TEXT PRIMARY KEY, address TEXT NOT NULL, cookie TEXT NOT NULL, login INTEGER NOT NULL,
    bound INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS topics(
    id INTEGER PRIMARY KEY AUTOINCREMENT, category INTEGER NOT NULL, owner TEXT NOT NULL,
    description TEXT NOT NULL, ldescription TEXT NOT NULL, created INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS comments(
    id INTEGER PRIMARY KEY AUTOINCREMENT, topic INTEGER NOT NULL, heading TEXT NOT NULL,
    user TEXT NOT NULL, text TEXT NOT NULL, aurl TEXT NOT NULL, adesc TEXT NOT NULL,
    lurl TEXT NOT NULL, ldesc TEXT NOT NULL, created INTEGER NOT NULL);
)sql";

}  // namespace

bool ValidMemberName(const std::string& name) {
    if (name.empty() || name.size() > 59) return false;
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        if (!ok) return false;
    }
    // A leading dot would make a hidden folder; ".." would be the parent.
    return name[0] != '.';
}

std::string HashPassword(const std::string& password) {
    unsigned char salt[16];
    if (RAND_bytes(salt, sizeof salt) != 1) return {};
    std::string saltText(reinterpret_cast<char*>(salt), sizeof salt);
    std::string hash = Derive(password, saltText, kIterations);
    return "pbkdf2-sha256$" + std::to_string(kIterations) + "$" + Hex(salt, sizeof salt) + "$" +
           Hex(reinterpret_cast<const unsigned char*>(hash.data()), hash.size());
}

bool VerifyPassword(const std::string& password, const std::string& stored) {
    const std::string prefix = "pbkdf2-sha256$";
    if (stored.compare(0, prefix.size(), prefix) != 0) return false;
    size_t a = prefix.size(), b = stored.find('$', a),
           c = b == std::string::npos ? b : stored.find('$', b + 1);
    if (c == std::string::npos) return false;
    int iterations = std::atoi(stored.substr(a, b - a).c_str());
    std::string salt, hash;
    if (iterations < 1 || !Unhex(stored.substr(b + 1, c - b - 1), &salt) ||
        !Unhex(stored.substr(c + 1), &hash) || hash.size() != 32)
        return false;
    std::string mine = Derive(password, salt, iterations);
    return CRYPTO_memcmp(mine.data(), hash.data(), 32) == 0;
}

std::unique_ptr<MemberStore> MemberStore::Open(const std::string& dataDir, std::string* error) {
    ::mkdir(dataDir.c_str(), 0700);
    sqlite3* db = nullptr;
    std::string path = dataDir + "/members.db";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        if (error) *error = "cannot open " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return nullptr;
    }
    ::chmod(path.c_str(), 0600);
    sqlite3_busy_timeout(db, 5000);
    char* msg = nullptr;
    if (sqlite3_exec(db, "PRAGMA journal_mode=WAL;", nullptr, nullptr, &msg) != SQLITE_OK ||
        sqlite3_exec(db, kSchema, nullptr, nullptr, &msg) != SQLITE_OK) {
        if (error) *error = std::string("cannot prepare the database: ") + (msg ? msg : "?");
        sqlite3_free(msg);
        sqlite3_close(db);
        return nullptr;
    }
    return std::unique_ptr<MemberStore>(new MemberStore(db));
}

MemberStore::~MemberStore() {
    sqlite3_close(db_);
}

AddResult MemberStore::AddMember(const MemberRecord& m, const std::string& password, std::string* error) {
    std::string hash = HashPassword(password);
    if (hash.empty()) {
        if (error) *error = "no random salt";
        return AddResult::Failed;
    }
    std::lock_guard lock(mutex_);
    Statement st(
        db_, "INSERT INTO members(name, pass, prompt, email, fname, lname, created) VALUES(?,?,?,?,?,?,?)");
    st.Bind(1, m.name).Bind(2, hash).Bind(3, m.prompt).Bind(4, m.email).Bind(5, m.firstName);
    st.Bind(6, m.lastName).Bind(7, int64_t(std::time(nullptr)));
    int rc = st.Step();
    if (rc == SQLITE_DONE) return AddResult::Added;
    if (rc == SQLITE_CONSTRAINT) {
        if (error) *error = "the name is taken";
        return AddResult::Taken;
    }
    if (error) *error = sqlite3_errmsg(db_);
    return AddResult::Failed;
}

void MemberStore::ForgetOldFailures(std::chrono::steady_clock::time_point now) {
    if (pairFailures_.size() + nameFailures_.size() < kMaxFailureRecords) return;
    std::erase_if(pairFailures_, [now](const auto& f) { return now - f.second.since >= kLockout; });
    std::erase_if(nameFailures_, [now](const auto& f) { return now - f.second.since >= 2 * kLockout; });
    // Still full: a flood of addresses; the oldest records go first.
    while (pairFailures_.size() >= kMaxFailureRecords) {
        auto oldest = std::min_element(pairFailures_.begin(), pairFailures_.end(),
                                       [](auto& a, auto& b) { return a.second.since < b.second.since; });
        pairFailures_.erase(oldest);
    }
}

LoginResult MemberStore::CheckLogin(const std::string& name, const std::string& password, std::string* prompt,
                                    const std::string& address) {
    std::string stored, usual;
    {
        std::lock_guard lock(mutex_);
        Statement st(db_, "SELECT pass, prompt FROM members WHERE name = ?");
        st.Bind(1, name);
        if (st.Step() != SQLITE_ROW) return LoginResult::Unknown;
        stored = st.Text(0);
        if (prompt) *prompt = st.Text(1);
        Statement session(db_, "SELECT address FROM sessions WHERE account = ?");
        session.Bind(1, name);
        if (session.Step() == SQLITE_ROW) usual = session.Text(0);
    }
    if (password.empty()) return LoginResult::BadPassword;
    auto now = std::chrono::steady_clock::now();
    const auto pair = std::make_pair(name, address);
    {
        std::lock_guard lock(failuresMutex_);
        ForgetOldFailures(now);
        auto it = pairFailures_.find(pair);
        if (it != pairFailures_.end() && now - it->second.since >= kLockout) it = pairFailures_.erase(it);
        if (it != pairFailures_.end() && it->second.count >= kMaxFailures) return LoginResult::BadPassword;
        auto named = nameFailures_.find(name);
        if (named != nameFailures_.end() && now - named->second.since >= 2 * kLockout)
            named = nameFailures_.erase(named);
        if (address != usual && named != nameFailures_.end() && named->second.count > kFreeFailures) {
            int doublings = std::min(named->second.count - kFreeFailures - 1, 10);
            auto delay =
                std::min<std::chrono::steady_clock::duration>(kFirstDelay * (1 << doublings), kLockout);
            if (now < named->second.since + delay) {
                // A try during the delay is a failure of its address all the same.
                Failures& f = pairFailures_[pair];
                if (f.count++ == 0) f.since = now;
                return LoginResult::BadPassword;
            }
        }
    }
    // The key derivation is slow on purpose; it runs outside the lock.
    bool right = VerifyPassword(password, stored);
    std::lock_guard lock(failuresMutex_);
    if (right) {
        pairFailures_.erase(pair);
        return LoginResult::Ok;
    }
    Failures& f = pairFailures_[pair];
    if (f.count++ == 0) f.since = now;
    Failures& n = nameFailures_[name];
    n.count++;
    n.since = now;
    return LoginResult::BadPassword;
}

void MemberStore::RecordLogin(const std::string& name, const std::string& address) {
    std::lock_guard lock(mutex_);
    Statement st(db_,
                 "INSERT INTO sessions(account, address, cookie, login, bound) VALUES(?1, ?2, '', ?3, 0) "
                 "ON CONFLICT(account) DO UPDATE SET address = ?2, login = ?3, bound = 0");
    st.Bind(1, name).Bind(2, address).Bind(3, int64_t(std::time(nullptr)));
    st.Step();
}

bool MemberStore::OwnPing(const PingRecord& ping, const std::string& address) {
    std::lock_guard lock(mutex_);
    Statement st(db_, "SELECT address, cookie, login, bound FROM sessions WHERE account = ?");
    st.Bind(1, ping.account);
    if (st.Step() != SQLITE_ROW) return false;
    std::string loginAddress = st.Text(0), cookie = st.Text(1);
    int64_t login = st.Int(2);
    bool bound = st.Int(3) != 0;
    int64_t now = std::time(nullptr);
    if (!bound && address == loginAddress && now >= login && now - login <= kLoginPingWindow &&
        !ping.cookie.empty()) {
        Statement bind(db_, "UPDATE sessions SET cookie = ?, bound = 1 WHERE account = ?");
        bind.Bind(1, ping.cookie).Bind(2, ping.account);
        return bind.Step() == SQLITE_DONE;
    }
    return !cookie.empty() && cookie == ping.cookie;
}

std::optional<MemberRecord> MemberStore::FindMember(const std::string& name) {
    std::lock_guard lock(mutex_);
    Statement st(db_,
                 "SELECT m.name, m.prompt, m.email, m.fname, m.lname, m.created, p.time, p.version "
                 "FROM members m LEFT JOIN pings p ON p.account = m.name WHERE m.name = ?");
    st.Bind(1, name);
    if (st.Step() != SQLITE_ROW) return std::nullopt;
    MemberRecord m;
    m.name = st.Text(0);
    m.prompt = st.Text(1);
    m.email = st.Text(2);
    m.firstName = st.Text(3);
    m.lastName = st.Text(4);
    m.created = st.Int(5);
    m.lastSeen = st.Int(6);
    m.lastVersion = st.Text(7);
    return m;
}

int MemberStore::PostMessage(int kind, const std::string& url, std::string* error) {
    std::lock_guard lock(mutex_);
    // One statement, so two admin processes never hand out the same serial.
    Statement st(db_,
                 "INSERT INTO messages(kind, serial, url, posted) "
                 "SELECT ?1, COALESCE(MAX(serial), 0) + 1, ?2, ?3 FROM messages WHERE kind = ?1 "
                 "RETURNING serial");
    st.Bind(1, int64_t(kind)).Bind(2, url).Bind(3, int64_t(std::time(nullptr)));
    if (st.Step() != SQLITE_ROW) {
        if (error) *error = sqlite3_errmsg(db_);
        return -1;
    }
    int serial = int(st.Int(0));
    st.Step();
    return serial;
}

std::pair<int, std::string> MemberStore::NewestMessage(int kind) {
    std::lock_guard lock(mutex_);
    Statement st(db_, "SELECT serial, url FROM messages WHERE kind = ? ORDER BY serial DESC LIMIT 1");
    st.Bind(1, int64_t(kind));
    if (st.Step() != SQLITE_ROW) return {0, {}};
    return {int(st.Int(0)), st.Text(1)};
}

bool MemberStore::SetSetting(const std::string& key, const std::string& value, std::string* error) {
    std::lock_guard lock(mutex_);
    Statement st(db_,
                 "INSERT INTO settings(key, value) VALUES(?, ?) ON CONFLICT(key) DO UPDATE SET value = "
                 "excluded.value");
    st.Bind(1, key).Bind(2, value);
    if (st.Step() == SQLITE_DONE) return true;
    if (error) *error = sqlite3_errmsg(db_);
    return false;
}

std::string MemberStore::GetSetting(const std::string& key, const std::string& def) {
    std::lock_guard lock(mutex_);
    Statement st(db_, "SELECT value FROM settings WHERE key = ?");
    st.Bind(1, key);
    return st.Step() == SQLITE_ROW ? st.Text(0) : def;
}

void MemberStore::RecordPing(const PingRecord& p) {
    std::lock_guard lock(mutex_);
    Statement st(db_,
                 "INSERT INTO pings(account, cookie, action, version, time) VALUES(?,?,?,?,?) "
                 "ON CONFLICT(account) DO UPDATE SET cookie = excluded.cookie, action = excluded.action, "
                 "version = excluded.version, time = excluded.time");
    st.Bind(1, p.account).Bind(2, p.cookie).Bind(3, p.action).Bind(4, p.version);
    st.Bind(5, int64_t(std::time(nullptr)));
    st.Step();
}

bool MemberStore::ClaimPublicFile(const std::string& name, const std::string& account) {
    std::lock_guard lock(mutex_);
    Statement claim(db_, "INSERT OR IGNORE INTO public_files(name, owner) VALUES(?,?)");
    claim.Bind(1, name).Bind(2, account);
    if (claim.Step() != SQLITE_DONE) return false;
    Statement owner(db_, "SELECT owner FROM public_files WHERE name = ?");
    owner.Bind(1, name);
    return owner.Step() == SQLITE_ROW && owner.Text(0) == account;
}

void MemberStore::ReleasePublicFile(const std::string& name, const std::string& account) {
    std::lock_guard lock(mutex_);
    Statement st(db_, "DELETE FROM public_files WHERE name = ? AND owner = ?");
    st.Bind(1, name).Bind(2, account);
    st.Step();
}

int64_t MemberStore::AddTopic(const Topic& t) {
    std::lock_guard lock(mutex_);
    Statement st(db_,
                 "INSERT INTO topics(category, owner, description, ldescription, created) VALUES(?,?,?,?,?)");
    st.Bind(1, int64_t(t.category)).Bind(2, t.owner).Bind(3, t.description).Bind(4, t.longDescription);
    st.Bind(5, int64_t(std::time(nullptr)));
    return st.Step() == SQLITE_DONE ? sqlite3_last_insert_rowid(db_) : 0;
}

int64_t MemberStore::AddComment(const Comment& c) {
    std::lock_guard lock(mutex_);
    Statement st(db_,
                 "INSERT INTO comments(topic, heading, user, text, aurl, adesc, lurl, ldesc, created) "
                 "SELECT id, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9 FROM topics WHERE id = ?1");
    st.Bind(1, c.topic).Bind(2, c.heading).Bind(3, c.user).Bind(4, c.text).Bind(5, c.attachUrl);
    st.Bind(6, c.attachDesc).Bind(7, c.linkUrl).Bind(8, c.linkDesc).Bind(9, int64_t(std::time(nullptr)));
    if (st.Step() != SQLITE_DONE || sqlite3_changes(db_) == 0) return 0;
    return sqlite3_last_insert_rowid(db_);
}

std::optional<Topic> MemberStore::FindTopic(int64_t id) {
    std::lock_guard lock(mutex_);
    Statement st(db_,
                 "SELECT id, category, owner, description, ldescription, created FROM topics WHERE id = ?");
    st.Bind(1, id);
    if (st.Step() != SQLITE_ROW) return std::nullopt;
    return Topic{st.Int(0), int(st.Int(1)), st.Text(2), st.Text(3), st.Text(4), st.Int(5)};
}

std::vector<Topic> MemberStore::Topics() {
    std::lock_guard lock(mutex_);
    Statement st(db_,
                 "SELECT id, category, owner, description, ldescription, created FROM topics "
                 "ORDER BY category, id DESC LIMIT 500");
    std::vector<Topic> out;
    while (st.Step() == SQLITE_ROW)
        out.push_back(Topic{st.Int(0), int(st.Int(1)), st.Text(2), st.Text(3), st.Text(4), st.Int(5)});
    return out;
}

std::vector<Comment> MemberStore::Comments(int64_t topic) {
    std::lock_guard lock(mutex_);
    Statement st(db_,
                 "SELECT id, topic, heading, user, text, aurl, adesc, lurl, ldesc, created FROM comments "
                 "WHERE topic = ? ORDER BY id LIMIT 1000");
    st.Bind(1, topic);
    std::vector<Comment> out;
    while (st.Step() == SQLITE_ROW)
        out.push_back(Comment{st.Int(0), st.Int(1), st.Text(2), st.Text(3), st.Text(4), st.Text(5),
                              st.Text(6), st.Text(7), st.Text(8), st.Int(9)});
    return out;
}

}  // namespace sky::member
