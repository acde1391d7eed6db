#include "core/mail/send_mail_worker.h"

#include "core/base/text_util.h"
#include "core/mail/smtp_client.h"

namespace sky {

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
    listener_->mailProgress(Format("* Connecting to %s...", account_.smtp.c_str()));
    SmtpAuth auth{ParseMailSecurity(account_.smtp_security), account_.smtp_user, account_.smtp_password,
                  account_.ca_file};
    int rc = smtp.Connect(SmtpServer(account_), kGreetingDomain, auth);
    if (rc != 0) {
        // The message then fails with "not connected"; say why first.
        listener_->mailProgress("-- " + (smtp.lastError().empty()
                                             ? std::string("the server refused the connection")
                                             : smtp.lastError()));
        smtp.Close();
    }
    for (const std::string& path : message_.attachments)
        listener_->mailProgress(Format("Attaching file: %s...", path.c_str()));
    listener_->mailProgress(Format("Sending message to %s...", message_.to.c_str()));
    int result = smtp.SendMessage(message_.to, message_.cc, account_.emailaddress, message_.subject,
                                  message_.body, message_.attachments);
    if (rc == 0 && result != 0 && !smtp.lastError().empty())
        listener_->mailProgress("-- " + smtp.lastError());
    listener_->mailProgress("Wrapping things up...");
    // The message is the server's once DATA's end is answered; a lost goodbye
    // changes nothing but is worth saying.
    if (!smtp.Quit() && result == 0) listener_->mailProgress("-- The server did not answer the goodbye");
    SetClient(nullptr);
    listener_->mailDone(result);
    return result;
}

}  // namespace sky
