#pragma once

#include <QDialog>
#include <QString>

#include "core/addressbook/contact.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;

namespace sky::ui {

// The four-page contact sheet: "Add New Contact" or "Edit Contact".
class CABContactSheet : public QDialog {
    Q_OBJECT
public:
    CABContactSheet(const addressbook::CABEntry& entry, bool isNew, QWidget* parent = nullptr);

    // The contact as edited; the fields no page shows are as given.
    addressbook::CABEntry entry() const;
    QTabWidget* tabs() const { return tabs_; }
    // A field by its object name ("firstName", "email", "notes" ...), for tests and focus.
    QLineEdit* field(const QString& name) const;
    QComboBox* displayName() const { return display_; }

private:
    QWidget* PersonalPage();
    QWidget* HomePage();
    QWidget* BusinessPage();
    QWidget* OtherPage();
    QLineEdit* AddField(QFormLayout* form, const QString& label, const char* name, const std::string& value);
    void RefreshDisplayChoices();

    addressbook::CABEntry entry_;
    QTabWidget* tabs_ = nullptr;
    QComboBox* display_ = nullptr;
    QPlainTextEdit* notes_ = nullptr;
};

}  // namespace sky::ui
