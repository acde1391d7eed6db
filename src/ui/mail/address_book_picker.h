#pragma once

#include <QDialog>
#include <QStringList>

class QTreeWidget;

namespace sky::ui {

// The address book with a check box on every contact that has an address;
// for the compose window's "..." buttons.
class AddressPickerDialog : public QDialog {
    Q_OBJECT
public:
    explicit AddressPickerDialog(QWidget* parent = nullptr);

    // The checked contacts' addresses, in tree order.
    QStringList addresses() const;
    QTreeWidget* tree() const { return tree_; }

private:
    QTreeWidget* tree_ = nullptr;
};

}  // namespace sky::ui
