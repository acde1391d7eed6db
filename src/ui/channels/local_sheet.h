#pragma once

#include "ui/base/ui_job.h"

#include <QWizard>
#include <QWizardPage>
#include <atomic>
#include <memory>
#include <thread>

class QLabel;
class QLineEdit;

namespace sky::ui {

class BrowserHost;
class BrowserPane;

// Page 1: the postal code the service chooses local sites by.
class CLocalPropertyPage1 : public QWizardPage {
    Q_OBJECT
public:
    explicit CLocalPropertyPage1(BrowserHost& host, QWidget* parent = nullptr);
    static constexpr int kMaxPostalCode = 10;
    QLineEdit* zipField() const { return zip_; }
    void initializePage() override;
    bool validatePage() override;
    // Digits and letters, at most kMaxPostalCode of them.
    static bool IsPostalCode(const QString& code);
    // The typed code; the "none given" code when empty.
    QString postalCode() const;

private:
    BrowserHost& host_;
    QLineEdit* zip_;
};

// Page 2: the service's local channel page; a channel file link on it is
// downloaded into "local.sky" instead of shown.
class CLocalPropertyPage2 : public QWizardPage {
    Q_OBJECT
public:
    explicit CLocalPropertyPage2(BrowserHost& host, QWidget* parent = nullptr);
    ~CLocalPropertyPage2() override;
    void initializePage() override;
    bool isComplete() const override { return done_; }
    BrowserPane* browser() const { return browser_; }
    bool downloading() const { return job_->busy(); }

signals:
    // Reports of the download, queued to the UI thread.
    void downloadProgress(qint64 received, qint64 total);
    void downloadFinished(bool ok, const QString& error);

private:
    void StartDownload(const QUrl& url);

    BrowserHost& host_;
    BrowserPane* browser_;
    QLabel* status_;
    bool done_ = false;
    bool pageErrorShown_ = false;
    bool cancelledLoad_ = false;
    UiJob* job_;
};

// The local channel sheet: postal code, then the service's choice of local
// web sites stored as "local.sky".
class CLocalPropertySheet : public QWizard {
    Q_OBJECT
public:
    // The settings, the service's page and the engine profile come from `host`.
    explicit CLocalPropertySheet(BrowserHost& host, QWidget* parent = nullptr);
    CLocalPropertyPage1* page1() const { return page1_; }
    CLocalPropertyPage2* page2() const { return page2_; }
    // Finish stores the postal code.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    BrowserHost& browserHost_;
    CLocalPropertyPage1* page1_;
    CLocalPropertyPage2* page2_;
};

}  // namespace sky::ui
