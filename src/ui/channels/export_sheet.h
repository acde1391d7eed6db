#pragma once

#include <QWizard>
#include <QWizardPage>
#include <vector>

#include "core/channels/channel_list.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace sky::ui {

// Which channels go out.
class CExportPage1 : public QWizardPage {
    Q_OBJECT
public:
    CExportPage1(const CChannelList& list, QWidget* parent = nullptr);
    bool validatePage() override;
    // Row i stands for channel i of the list.
    std::vector<bool> selection() const;
    int selectedCount() const;
    QListWidget* list() const { return list_; }

private:
    QListWidget* list_;
};

// Where they go.
class CExportPage2 : public QWizardPage {
    Q_OBJECT
public:
    explicit CExportPage2(QWidget* parent = nullptr);
    bool validatePage() override;
    // The file to write, once Next accepted the name.
    QString filePath() const { return path_; }
    QLineEdit* fileEdit() const { return file_; }

private:
    void Browse();

    QLineEdit* file_;
    QString path_;
};

// The summary; Finish writes the file.
class CExportPage3 : public QWizardPage {
    Q_OBJECT
public:
    CExportPage3(const CChannelList& list, CExportPage1* channels, CExportPage2* file,
                 QWidget* parent = nullptr);
    void initializePage() override;
    bool validatePage() override;
    QLabel* countLabel() const { return count_; }
    QLabel* fileLabel() const { return fileLabel_; }

private:
    const CChannelList& list_;
    CExportPage1* channels_;
    CExportPage2* file_;
    QLabel* count_;
    QLabel* fileLabel_;
};

// Writes a chosen set of channels to a channel file for other users.
class CExportSheet : public QWizard {
    Q_OBJECT
public:
    CExportSheet(const CChannelList& list, QWidget* parent = nullptr);
    CExportPage1* page1() const { return page1_; }
    CExportPage2* page2() const { return page2_; }
    CExportPage3* page3() const { return page3_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    CExportPage1* page1_;
    CExportPage2* page2_;
    CExportPage3* page3_;
};

}  // namespace sky::ui
