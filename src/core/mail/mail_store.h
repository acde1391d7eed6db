#pragma once

#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace sky {

// The value MarkRead writes; the status line is always 25 bytes.
inline constexpr const char* kDefaultUserDir = "DefaultUser";
inline constexpr const char* kReadStatus = "Read      ";

// Data root + "<user>/email/<folder>/", every level created. Empty folder
// name: the mail root. Empty result for a name that would leave the mail root.
std::string GetMailFolderPath(std::string_view folderName, std::string_view user = kDefaultUserDir);
// The folder name under the data root that holds an account's mail: the
// account name with path separators, control bytes and a leading dot made
// harmless; "DefaultUser" when nothing is left.
std::string MailUserDir(std::string_view accountName);
// The work folder ("_TEMP") where downloads land and messages are decoded.
std::string MailWorkFolder();

// The header block of a stored message, read the one way every mail part
// reads it.
class MailHeaderReader {
public:
    ~MailHeaderReader();
    bool Open(const std::string& path);
    // False when nothing at all could be read.
    bool ReadHeaders();
    // Finds `name` (case ignored) in the header text; the value runs to the
    // next line feed, non-printable bytes become blanks, trimmed.
    bool GetHeader(std::string_view name, std::string* value, bool bracketsToSquare = false) const;
    std::string GetHeader(std::string_view name) const;

    const std::string& headerText() const { return text_; }
    const std::string& subject() const { return subject_; }
    const std::string& from() const { return from_; }
    const std::string& date() const { return date_; }
    const std::string& contentType() const { return contentType_; }

private:
    bool ReadLine(std::string* line);

    int fd_ = -1;
    std::string buffer_;  // read ahead; only the header block is ever read
    size_t pos_ = 0;
    std::string text_;
    std::string lower_;
    std::string subject_, from_, date_, contentType_;
};

struct MessageSummary {
    std::string from;
    std::string subject;
    std::string dateText;  // the "Date:" value cut before its last ":"
    bool dateValid = false;
    std::time_t date = 0;  // local time parsed from dateText, when valid
    std::string path;
    bool unread = true;
    bool hasAttachments = false;

    // 0 read, 1 read with attachments, 2 unread, 3 unread with attachments.
    int iconIndex() const { return (unread ? 2 : 0) + (hasAttachments ? 1 : 0); }
};

bool ReadMessageSummary(const std::string& path, MessageSummary* out);

// The message list's columns: the subject ("[**]" added for attachments) and
// the reformatted date ("12 Jan 1998 [10:20 1998 - Monday]").
std::string SubjectColumn(const MessageSummary& s);
std::string ReceivedColumn(const MessageSummary& s);

// "S" + the Message-ID with every byte but ASCII letters and digits turned
// into "-" + ".mail". Without an id, "ID" + `tempPath` + `tick` stand in.
// An id longer than 200 characters keeps its start and gets a hash tail.
std::string MessageFileName(std::string_view messageId, std::string_view tempPath, long tick);

struct StoreResult {
    bool stored = false;     // false: a file of that name is already in InBox
    bool duplicate = false;  // set with stored false when the name was taken
    std::string path;        // the new inbox path when stored
    std::string error;       // neither stored nor duplicate: why
};
// Moves a downloaded file into InBox under its Message-ID name; never
// replaces an existing file. A taken name holding the same Message-ID is a
// duplicate; one holding another message sends this one to the next free
// numbered name ("S-a-b-x-1.mail"). Without `syncFolder` the caller syncs InBox
// itself (SyncMailFolder) before the server may forget the message.
StoreResult StoreIncomingMessage(const std::string& tempPath, long tick, bool syncFolder = true,
                                 std::string_view user = kDefaultUserDir);
void SyncMailFolder(const std::string& folderPath);

// Writes "X-SkyStatus: <value>\r\n" in place of the first status line of the
// header block, or just before the line that ends it. The file is rewritten
// through a temporary file beside it and renamed over it.
bool SetMailStatus(const std::string& path, std::string_view value);
inline bool MarkRead(const std::string& path) {
    return SetMailStatus(path, kReadStatus);
}

// The folders of `user`'s mail (a MailUserDir name).
std::vector<std::string> ListFolders(std::string_view user = kDefaultUserDir);
// Summaries of the folder's "*.mail" files: unread ones first, empty files
// deleted.
std::vector<MessageSummary> LoadFolder(const std::string& folderPath);

inline constexpr const char* kMoveErrorCaption = "Error Moving Message";
inline constexpr const char* kMoveExists = "Access Denied (probable cause:File already exists)";
inline constexpr const char* kMoveUnknown = "Unknown Error";
inline constexpr const char* kMoveToItself = "You can not copy from a folder to itself";

struct MoveResult {
    std::vector<std::string> moved;     // source paths that were moved
    std::vector<std::string> messages;  // message boxes to show, in order
    std::string status;                 // "%d Message(s) Moved to %s "
};
MoveResult MoveMessages(const std::vector<std::string>& paths, std::string_view targetFolderName);
// Deletes the files; returns how many went.
int DeleteMessages(const std::vector<std::string>& paths);
// Deletes every file in the work folder; returns how many went.
int ClearWorkFolder();

}  // namespace sky
