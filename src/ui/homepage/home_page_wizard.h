#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <memory>
#include <vector>

#include "core/homepage/content_items.h"
#include "core/homepage/wizard_page.h"
#include "ui/homepage/wizard_env.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class QTemporaryFile;
class QTreeWidget;
class QVBoxLayout;

namespace sky::ui {

class BrowserPane;
class CHomePageWizard;

// A page of the home page wizard, shown as a wizard step or as a tab.
class HomePageWizardPage : public QWidget {
    Q_OBJECT
public:
    HomePageWizardPage(CHomePageWizard& sheet, const QString& heading);
    const QString& heading() const { return heading_; }
    virtual void Activate() {}
    // The member goes on to the next page.
    virtual void LeaveForward() {}

protected:
    CHomePageWizard& sheet_;

private:
    QString heading_;
};

class CUserInfoPage : public HomePageWizardPage {
    Q_OBJECT
public:
    explicit CUserInfoPage(CHomePageWizard& sheet);
    homepage::UserInfo info() const;
    void LeaveForward() override;
    QLineEdit *name, *email, *companyUrl, *occupation, *company;
    QPlainTextEdit* text;
};

// A page that shows one of the service's picture pages; a link aimed at the
// "wizard" frame picks its picture instead of opening.
class PickerPage : public HomePageWizardPage {
    Q_OBJECT
public:
    PickerPage(CHomePageWizard& sheet, const QString& heading, const QString& servicePage);
    BrowserPane* browser() const { return browser_; }
    QLabel* selection() const { return selection_; }
    void Activate() override;
    // A link aimed at `target`: true when it was a picker link and was taken.
    bool TakeLink(const QUrl& url, const QString& target);

protected:
    virtual void Picked(const QString& address) = 0;
    void ShowSelection(const QString& text);
    QVBoxLayout* layout_;

private:
    QString servicePage_;
    BrowserPane* browser_;
    QLabel* selection_;
    bool loaded_ = false;
};

class CBackgroundsPage : public PickerPage {
    Q_OBJECT
public:
    explicit CBackgroundsPage(CHomePageWizard& sheet);
    ~CBackgroundsPage() override;
    BrowserPane* colours() const { return colours_; }
    // Solid colour instead of a picture, and the colour samples.
    void ChooseSolidColor();
    // Rebuilds the sample page from the current colours.
    void ShowColours();

protected:
    void Picked(const QString& address) override;

private:
    void ChangeColour(const QString& target);
    BrowserPane* colours_;
    std::unique_ptr<QTemporaryFile> sampleFile_;
};

class CSeparatorPage : public PickerPage {
    Q_OBJECT
public:
    explicit CSeparatorPage(CHomePageWizard& sheet);

protected:
    void Picked(const QString& address) override;
};

class CBulletsPage : public PickerPage {
    Q_OBJECT
public:
    explicit CBulletsPage(CHomePageWizard& sheet);

protected:
    void Picked(const QString& address) override;
};

class CLinksPage : public HomePageWizardPage {
    Q_OBJECT
public:
    explicit CLinksPage(CHomePageWizard& sheet);
    QTreeWidget* list() const { return list_; }
    QLineEdit *description, *address;
    // Adds the typed link as a row.
    void AddLink();
    // Deletes the selected row after asking.
    void DeleteLink();
    std::vector<homepage::ContentItem> links() const;
    void LeaveForward() override;

private:
    QTreeWidget* list_;
};

class CPreviewHomePage : public HomePageWizardPage {
    Q_OBJECT
public:
    explicit CPreviewHomePage(CHomePageWizard& sheet);
    BrowserPane* browser() const { return browser_; }
    void Activate() override;
    void SaveForTest();
    void Upload();
    void ExitWithoutSaving();
    void ContinueEditing();

private:
    BrowserPane* browser_;
};

// The content items of a saved page, one editor at a time.
class CContentPage : public HomePageWizardPage {
    Q_OBJECT
public:
    explicit CContentPage(CHomePageWizard& sheet);
    QListWidget* list() const { return list_; }
    void Activate() override;
    void AddItem(const QString& type);
    void DeleteItem();
    void MoveItem(int by);
    // Writes the editor's fields back into the selected item.
    void Apply();

private:
    void Fill();
    void ShowItem(int row);
    QListWidget* list_;
    QStackedWidget* editors_;
    QComboBox* heading_;
    QLineEdit *titleText_, *titleColour_, *separatorImage_, *bulletImage_, *graphicAddress_, *linkAddress_,
        *linkText_;
    QCheckBox *titleCentred_, *titleSeparator_, *textCentred_, *textBold_, *textItalic_, *textBullet_,
        *graphicCentred_;
    QPlainTextEdit* text_;
    int shown_ = -1;
};

// Builds a page in the wizard page format from the member's details and
// pictures picked on the service; as a sheet it re-edits the saved page.
class CHomePageWizard : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Wizard, Sheet };
    CHomePageWizard(WizardEnv env, Mode mode, QWidget* parent = nullptr);
    ~CHomePageWizard() override;

    Mode mode() const { return mode_; }
    const WizardEnv& env() const { return env_; }
    homepage::WizardPage& page() { return page_; }
    QString separatorImage, bulletImage;

    // The pages in the order they show.
    const std::vector<HomePageWizardPage*>& pages() const { return pages_; }
    template <class T>
    T* find() const {
        for (HomePageWizardPage* p : pages_)
            if (auto* t = qobject_cast<T*>(p)) return t;
        return nullptr;
    }
    HomePageWizardPage* current() const;
    void ShowPage(HomePageWizardPage* page);
    void Next();
    void Back();
    QPushButton* backButton() const { return back_; }
    QPushButton* nextButton() const { return next_; }
    QPushButton* finishButton() const { return finish_; }

    QString workingFile() const;
    QString remoteName() const { return QStringLiteral("index.htm"); }
    // Writes the page; false after a box said why.
    bool WritePage(const QString& path);

    // The saved page the sheet re-edits, and the test page.
    static QString SavedPagePath();
    static QString TestPagePath();
    // A new wizard on its own; deleted when closed.
    static CHomePageWizard* Open(const WizardEnv& env, Mode mode, QWidget* parent);

private:
    void UpdateButtons();
    WizardEnv env_;
    Mode mode_;
    homepage::WizardPage page_;
    std::vector<HomePageWizardPage*> pages_;
    std::unique_ptr<QTemporaryFile> working_;
    QLabel* headingLabel_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QPushButton *back_ = nullptr, *next_ = nullptr, *finish_ = nullptr;
};

}  // namespace sky::ui
