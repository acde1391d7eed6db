#include "core/mail/send_mail_worker.h"

#include <unistd.h>

#include <atomic>
#include <cctype>
#include <ctime>
#include <memory>
#include <random>

#include "core/base/atomic_file.h"
#include "core/base/text_util.h"
#include "core/mail/mail_store.h"
#include "core/mail/smtp_client.h"

namespace sky {

std::string NewMessageId(const std::string& senderAddress) {
    static std::atomic<unsigned> serial{0};
    std::string domain = kGreetingDomain;
    size_t at = senderAddress.rfind('@');
    if (at != std::string::npos && at + 1 < senderAddress.size()) {
        std::string d = senderAddress.substr(at + 1);
        bool clean = true;
        for (char c : d)
            if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-')) clean = false;
        if (clean) domain = d;
    }
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    std::random_device rd;
    return Format("<%04d%02d%02d.%02d%02d%02d.%d.%u.%08x@%s>", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(::getpid()), ++serial, rd(),
                  domain.c_str());
}

SendMailWorker::SendMailWorker(MailWorkerListener* listener, MailAccount account, OutgoingMessage message)
    : listener_(listener), account_(std::move(account)), message_(std::move(message)) {}

SendMailWorker::~SendMailWorker() {
    Stop();
}

int SendMailWorker::Run() {
    SmtpClient smtp;
    smtp.replyTimeoutSeconds = replyTimeoutSeconds;
    smtp.progress = [this](long) { return !cancelled_.load(); };
    ClientScope scope(this, &smtp);
    connectResult_ = -1;
    serverAnswer_.clear();
    detail_.clear();
    refused_.clear();
    sentCopy_.clear();
    listener_->mailProgress(Format("* Connecting to %s...", account_.smtp.c_str()));
    SmtpAuth auth{ParseMailSecurity(account_.smtp_security), account_.smtp_user, account_.smtp_password,
                  account_.ca_file};
    int rc = smtp.Connect(SmtpServer(account_), kGreetingDomain, auth);
    connectResult_ = rc;
    if (rc != 0) {
        serverAnswer_ = smtp.lastReply();
        detail_ = smtp.lastError();
        // The message then fails with "not connected"; say why first.
        listener_->mailProgress("-- " + (smtp.lastError().empty()
                                             ? std::string("the server refused the connection")
                                             : smtp.lastError()));
        smtp.Close();
    }
    if (message_.copySelf) smtp.blindCopies = ExtractAddresses(account_.emailaddress);
    std::string messageId = NewMessageId(account_.emailaddress);
    smtp.extraHeaders.push_back("Message-ID: " + messageId);

    // The copy is built as the message goes out and kept only once the
    // server took it; sent mail is read mail.
    std::unique_ptr<AtomicFileWriter> copy;
    if (!sentFolderName.empty() && rc == 0) {
        std::string folder = GetMailFolderPath(sentFolderName);
        if (!folder.empty()) {
            copy = std::make_unique<AtomicFileWriter>(folder + MessageFileName(messageId, "", 0));
            smtp.copy = [&copy](std::string_view data) { copy->Write(data); };
            smtp.copyHeaders.push_back(std::string("X-SkyStatus: ") + kReadStatus);
        }
    }
    for (const std::string& path : message_.attachments)
        listener_->mailProgress(Format("Attaching file: %s...", path.c_str()));
    listener_->mailProgress(Format("Sending message to %s...", message_.to.c_str()));
    int result = smtp.SendMessage(message_.to, message_.cc, account_.emailaddress, message_.subject,
                                  message_.body, message_.attachments);
    if (rc == 0) {
        serverAnswer_ = smtp.lastReply();
        detail_ = smtp.lastError();
        refused_ = smtp.refusedRecipient();
    }
    if (rc == 0 && result != 0 && !smtp.lastError().empty())
        listener_->mailProgress("-- " + smtp.lastError());
    if (result == 0 && copy) {
        // Stored messages end in one zero byte.
        if (copy->Write(std::string_view("\0", 1)) && copy->Commit()) {
            sentCopy_ = GetMailFolderPath(sentFolderName) + MessageFileName(messageId, "", 0);
        } else {
            listener_->mailProgress("-- The message was sent, but no copy could be kept in " +
                                    sentFolderName + ": " + copy->error());
        }
    }
    copy.reset();
    listener_->mailProgress("Wrapping things up...");
    // The message is the server's once DATA's end is answered; a lost goodbye
    // changes nothing but is worth saying.
    if (!smtp.Quit() && result == 0) listener_->mailProgress("-- The server did not answer the goodbye");
    SetClient(nullptr);
    listener_->mailDone(result);
    return result;
}

}  // namespace sky
