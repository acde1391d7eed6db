#include "core/webspace/web_space_client.h"

#include <curl/curl.h>
#include <sys/stat.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "core/base/byte_fields.h"
#include "core/base/service_config.h"
#include "core/base/url_codec.h"
#include "core/net/http_client.h"
#include "core/webspace/transfer_record.h"

namespace sky::webspace {

namespace {

std::string Format(const char* pattern, auto... args) {
    char buf[1024];
    std::snprintf(buf, sizeof buf, pattern, args...);
    return buf;
}

void Report(TransferListener& listener, int code, const std::string& text) {
    if (!text.empty()) listener.OnStatus(code, text);
}

// Texts go into fixed areas cut to leave their NUL.
void PutText(std::string& r, size_t at, size_t width, const std::string& text) {
    r.replace(at, std::min(text.size(), width - 1), text.substr(0, width - 1));
}

// Waits `ms` unless the job is cancelled first; false when it was.
bool Pause(std::stop_token stop, int ms) {
    std::mutex m;
    std::condition_variable_any cv;
    std::unique_lock lock(m);
    return !cv.wait_for(lock, stop, std::chrono::milliseconds(ms), [] { return false; });
}

std::string BaseName(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string PendingReply(size_t size, uint32_t head, uint16_t one, uint16_t status, uint32_t length) {
    std::string r(size, '\0');
    PutU32(r, 0, head);
    PutU16(r, 4, one);
    PutU16(r, 6, status);
    PutU32(r, 12, length);
    return r;
}

int StatusOf(const std::string& reply) {
    auto head = ReadTransferReply(reply);
    return head ? int(head->status) : int(kStatusMalformed);
}

// One file of an upload; 0 or its first failure.
int UploadOne(HttpClient& http, const ServerTarget& t, const std::string& local, const std::string& remote,
              TransferListener& listener, std::stop_token stop) {
    Report(listener, kUploadProgress,
           Format("** Uploading %s -> ~%s/%s **", local.c_str(), t.account.c_str(), remote.c_str()));
    FILE* f = nullptr;
    for (int attempt = 0; attempt < 3 && !f; ++attempt) {
        if (attempt > 0 && !Pause(stop, 100)) return kCancelled;
        f = std::fopen(local.c_str(), "rb");
    }
    if (!f) {
        listener.OnMessage("error openning file");
        return kLocalFileError;
    }
    struct stat st;
    if (::fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        listener.OnMessage("error getting file status");
        return kLocalFileError;
    }
    long size = static_cast<long>(st.st_size);
    Report(listener, kUploadProgress, Format("-- Total Size: %ld bytes", size));
    size_t piece = std::min<size_t>(size_t(size), kUploadPieceSize);
    std::string record(piece + 696, '\0');
    PutU16(record, 32, kPutPiece);
    PutText(record, 52, 60, t.account);
    PutText(record, 112, 16, t.password);
    PutText(record, 172, 256, local);
    PutText(record, 428, 256, remote);
    PutU32(record, 684, 1);
    int result = 0;
    long offset = 0;
    while (true) {
        if (stop.stop_requested()) {
            result = kCancelled;
            break;
        }
        size_t n = std::min<size_t>(piece, size_t(size - offset));
        if (n == 0) break;
        size_t got = std::fread(record.data() + kRecordFixedSize, 1, n, f);
        if (got < n) break;
        PutU32(record, 160, uint32_t(n + 532));
        PutU32(record, 164, uint32_t(offset));
        PutU32(record, 168, uint32_t(n));
        PutU32(record, 12, uint32_t(n + 695));
        Report(listener, kUploadProgress,
               Format("-- Sending: %ld-%ld of %ld", offset, offset + long(n), size));
        std::string reply;
        int rc = PostRecord(http, t.host, t.script, std::string_view(record).substr(0, n + 695),
                            kUploadReplySize, &reply, kUploadProgress, listener, stop);
        if (rc == 0) rc = StatusOf(reply);
        // A refused piece does not stop the file; its first failure is the result.
        if (rc != 0 && result == 0) result = rc;
        Report(listener, kUploadProgress, "Sent");
        offset += long(n);
        listener.OnProgress(uint64_t(offset), uint64_t(size));
    }
    std::fclose(f);
    return result;
}

int UploadAll(const TransferJob& job, TransferListener& listener, std::stop_token stop) {
    HttpClient http;
    int result = 0;
    auto note = [&result](int rc) {
        if (rc != 0 && result == 0) result = rc;
    };
    if (job.text1.empty() || job.text1[0] != '?') {
        note(UploadOne(http, job.target, job.text1, job.text2, listener, stop));
        return result;
    }
    size_t at = 1;
    while (at <= job.text1.size() && !stop.stop_requested()) {
        size_t next = job.text1.find('?', at);
        std::string path = job.text1.substr(at, next == std::string::npos ? std::string::npos : next - at);
        if (!path.empty()) note(UploadOne(http, job.target, path, BaseName(path), listener, stop));
        if (next == std::string::npos) break;
        at = next + 1;
    }
    if (stop.stop_requested()) note(kCancelled);
    return result;
}

}  // namespace

std::optional<TransferReply> ReadTransferReply(std::string_view reply) {
    if (reply.size() < 8) return std::nullopt;
    TransferReply r;
    r.headSize = GetU32(reply, 0);
    r.status = GetU16(reply, 6);
    if (reply.size() >= 16) {
        r.textLength = GetU32(reply, 12);
        r.text = std::string(reply.substr(16, r.textLength));
    }
    return r;
}

int PostRecord(HttpClient& http, const std::string& host, const std::string& script, std::string_view record,
               size_t replySize, std::string* reply, int code, TransferListener& listener,
               std::stop_token stop) {
    Report(listener, code, Format("Connecting to %s...", host.c_str()));
    Report(listener, code, "Openning Request...");
    HttpRequest request;
    request.url = "http://" + host + "/" + script;
    request.post = true;
    request.body = std::string(record);
    request.contentType = "application/x-www-form-urlencoded";
    request.headers = {"Expect:"};  // the body goes at once, not after a 100 answer
    request.maxRedirects = 0;
    request.maxBytes = replySize ? static_cast<long long>(replySize) : 0;
    request.stop = stop;
    Report(listener, code, "Talking to server...");
    Report(listener, code, "    Please wait.");
    std::string body;
    HttpResult r = http.Fetch(request, &body);
    if (r.outcome == HttpOutcome::Cancelled) return kCancelled;
    if (r.outcome != HttpOutcome::Ok && r.outcome != HttpOutcome::LimitReached) {
        switch (r.curlCode) {
            case CURLE_COULDNT_RESOLVE_HOST:
            case CURLE_COULDNT_RESOLVE_PROXY:
            case CURLE_COULDNT_CONNECT:
                Report(listener, code, "Error 2 occurred !");
                return -2;
            case CURLE_SEND_ERROR:
                return -1;
            default:
                break;
        }
        if (r.status == 0) {
            Report(listener, code, "Error 3 occurred !");
            return -3;
        }
        Report(listener, code, "Reading results from server !");
        Report(listener, code, "Error 5 occurred.");
        return -5;
    }
    Report(listener, code, "Reading results from server !");
    if (replySize > 0) {
        if (body.empty()) {
            Report(listener, code, "Error 4 occurred.");
            return -4;
        }
        if (reply) *reply = std::move(body);
    }
    Report(listener, code, "Results have been downloaded.");
    return 0;
}

std::string BuildCommandRecord(uint16_t command, const ServerTarget& target, const std::string& operand1,
                               const std::string& operand2) {
    std::string r(696, '\0');
    PutU32(r, 12, 695);
    PutU16(r, 32, command);
    PutText(r, 52, 60, target.account);
    PutText(r, 112, 16, target.password);
    PutU32(r, 160, 532);
    PutU32(r, 168, 0);
    PutText(r, 172, 256, operand1);
    PutText(r, 428, 256, operand2);
    r.resize(695);
    return r;
}

TransferJob CommandJob(uint16_t command, const std::string& operand1, const std::string& operand2,
                       size_t replySize, const ServerTarget& target, int messageCode) {
    TransferJob j;
    j.kind = TransferJob::Kind::Command;
    j.target = target;
    j.text1 = operand1;
    j.text2 = operand2;
    j.replySize = replySize;
    j.command = command;
    j.messageCode = messageCode;
    return j;
}

TransferJob UploadJob(const std::string& localPaths, const std::string& remote, const ServerTarget& target) {
    TransferJob j;
    j.kind = TransferJob::Kind::Upload;
    j.target = target;
    j.text1 = localPaths;
    j.text2 = remote;
    j.replySize = kUploadReplySize;
    j.command = kPutPiece;
    j.messageCode = kUploadFinished;
    return j;
}

TransferJob DownloadJob(const std::string& url, const std::string& local, int messageCode) {
    TransferJob j;
    j.kind = TransferJob::Kind::Download;
    j.text1 = url;
    j.text2 = local;
    j.replySize = kDownloadReplySize;
    j.messageCode = messageCode;
    return j;
}

int RunTransferJob(const TransferJob& job, TransferListener& listener, std::stop_token stop) {
    switch (job.kind) {
        case TransferJob::Kind::Command: {
            HttpClient http;
            std::string reply;
            int rc = PostRecord(http, job.target.host, job.target.script,
                                BuildCommandRecord(job.command, job.target, job.text1, job.text2),
                                job.replySize, &reply, job.messageCode, listener, stop);
            Report(listener, job.messageCode, "Processing locally...");
            if (rc == 0) rc = StatusOf(reply);
            listener.OnDone(job.messageCode, rc, reply);
            return rc;
        }
        case TransferJob::Kind::Upload: {
            int rc = UploadAll(job, listener, stop);
            listener.OnDone(kUploadFinished, rc, std::string());
            return rc;
        }
        case TransferJob::Kind::Download: {
            std::string reply = PendingReply(job.replySize, 20, 1, 1, 0);
            HttpClient http;
            HttpRequest request;
            request.url = job.text1;
            // Always from the server, never a cached copy.
            request.headers = {"Cache-Control: no-cache", "Pragma: no-cache"};
            request.failOnHttpError = true;
            request.stop = stop;
            request.progress = [&listener](long long got, long long total) {
                listener.OnProgress(uint64_t(std::max(got, 0LL)), uint64_t(std::max(total, 0LL)));
            };
            HttpResult r = http.Download(request, job.text2);
            int rc = 0;
            if (r.ok()) {
                PutU16(reply, 6, 0);
                PutText(reply, 16, job.replySize - 16, job.text2);
            } else {
                rc = r.outcome == HttpOutcome::Cancelled   ? kCancelled
                     : r.outcome == HttpOutcome::HttpError ? -4
                                                           : -2;
                Report(listener, job.messageCode, "Could not get file");
            }
            listener.OnDone(job.messageCode, rc, reply);
            return rc;
        }
    }
    return kLocalFileError;
}

int ListFiles(const ServerTarget& target, TransferListener& listener, std::stop_token stop,
              std::string* reply) {
    struct Keep : TransferListener {
        TransferListener& inner;
        std::string* reply;
        Keep(TransferListener& l, std::string* r) : inner(l), reply(r) {}
        void OnStatus(int c, const std::string& t) override { inner.OnStatus(c, t); }
        void OnDone(int c, int rc, const std::string& r) override {
            if (reply) *reply = r;
            inner.OnDone(c, rc, r);
        }
    } keep(listener, reply);
    return RunTransferJob(CommandJob(kListFiles, "", "", kListReplySize, target, kListMessage), keep, stop);
}

int DeleteFile(const ServerTarget& target, const std::string& remote, TransferListener& listener,
               std::stop_token stop) {
    return RunTransferJob(CommandJob(kDeleteFile, remote, "", kDeleteReplySize, target, kDeleteMessage),
                          listener, stop);
}

int UploadFile(const ServerTarget& target, const std::string& local, const std::string& remote,
               TransferListener& listener, std::stop_token stop) {
    return RunTransferJob(UploadJob(local, remote, target), listener, stop);
}

int DownloadFile(const std::string& url, const std::string& local, TransferListener& listener,
                 std::stop_token stop, int messageCode) {
    return RunTransferJob(DownloadJob(url, local, messageCode), listener, stop);
}

std::string MemberFileUrl(const std::string& webHost, const std::string& account, const std::string& name) {
    return ServiceUrl(webHost, PathEncode("/~" + account + "/" + name));
}

int PostToPublicSpace(const ServerTarget& target, bool loggedIn, const std::string& local,
                      const std::string& remote, TransferListener& listener, std::stop_token stop) {
    if (!loggedIn) {
        listener.OnMessage("You must be logged in to upload files to public space.");
        return kPublicRefused;
    }
    FILE* f = std::fopen(local.c_str(), "rb");
    if (!f) {
        listener.OnMessage("error openning file");
        return kPublicRefused;
    }
    std::string reply;
    HttpClient http;
    std::string title = Format("Post to Public Space for [%s]", target.account.c_str());
    std::string record(kPublicPieceSize + 696, '\0');
    long offset = 0;
    size_t n;
    while ((n = std::fread(record.data() + kRecordFixedSize, 1, kPublicPieceSize, f)) > 0) {
        if (stop.stop_requested()) {
            std::fclose(f);
            return kPublicCancelled;
        }
        // A piece that gets no reply reads as a failure.
        reply = PendingReply(kPublicReplySize, 1, 1, 1, 1);
        listener.OnPiece(title,
                         Format("[%s] -> [%s] [%ld - %ld]", local.c_str(), remote.c_str(), offset, long(n)));
        PutText(record, 0, 12, "0");
        PutU32(record, 12, uint32_t(n + 694));
        PutU16(record, 32, kPutPiece);
        PutU16(record, 34, 1);
        PutU32(record, 44, uint32_t(std::time(nullptr)));
        PutText(record, 52, 60, target.account);
        PutText(record, 112, 16, target.password);
        PutText(record, 128, 32, "0");
        PutU32(record, 160, uint32_t(n + 531));
        PutU32(record, 164, uint32_t(offset));
        PutU32(record, 168, uint32_t(n));
        PutText(record, 172, 256, remote);
        PutU32(record, 684, 1);
        std::string answer;
        int rc =
            PostRecord(http, target.host, kPublicSpaceScript, std::string_view(record).substr(0, n + 694),
                       kPublicPieceSize, &answer, 0, listener, stop);
        if (rc == 0) {
            answer.resize(std::min(answer.size(), kPublicPieceSize));
            reply.replace(0, answer.size(), answer);
        } else if (rc == kCancelled) {
            std::fclose(f);
            return kPublicCancelled;
        } else if (rc == -1) {
            listener.OnMessage("Bad Result from Send");
        } else if (rc == -2 || rc == -3) {
            listener.OnMessage("Sorry. The server is too busy.\n\nPlease try later");
        } else {
            PutU32(reply, 12, 1);
        }
        listener.OnProgress(uint64_t(offset) + n, 0);
        if (GetU16(reply, 6) != 0) {
            std::fclose(f);
            return kPublicRefused;
        }
        offset += long(n);
    }
    std::fclose(f);
    return !reply.empty() && GetU16(reply, 6) == 0 ? kPublicAcknowledged : kPublicRefused;
}

bool TransferWorker::Start(TransferJob job) {
    return job_.Start(
        [this, job = std::move(job)](std::stop_token stop) { RunTransferJob(job, listener_, stop); });
}

}  // namespace sky::webspace
