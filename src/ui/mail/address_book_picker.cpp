#include "ui/mail/address_book_picker.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/addressbook/address_book.h"

namespace sky::ui {

namespace {

constexpr int kAddressRole = Qt::UserRole;

void AddNodes(QTreeWidgetItem* parent, const std::vector<addressbook::TreeNode>& nodes,
              const QIcon& folderIcon) {
    for (const auto& node : nodes) {
        if (!node.entry.isFolder && node.entry.email.empty()) continue;
        auto* item = new QTreeWidgetItem(parent);
        item->setText(0, QString::fromStdString(node.text));
        if (node.entry.isFolder) {
            item->setIcon(0, folderIcon);
            item->setFlags(Qt::ItemIsEnabled);
            AddNodes(item, node.children, folderIcon);
        } else {
            QString address = QString::fromStdString(node.entry.email);
            item->setText(1, address);
            item->setData(0, kAddressRole, address);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
            item->setCheckState(0, Qt::Unchecked);
        }
    }
}

void Collect(const QTreeWidgetItem* item, QStringList& out) {
    for (int i = 0; i < item->childCount(); ++i) {
        const QTreeWidgetItem* child = item->child(i);
        if (child->checkState(0) == Qt::Checked) out << child->data(0, kAddressRole).toString();
        Collect(child, out);
    }
}

}  // namespace

AddressPickerDialog::AddressPickerDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Address Book"));
    tree_ = new QTreeWidget(this);
    tree_->setHeaderLabels({tr("Name"), tr("E-Mail Address")});
    std::string root = addressbook::AddressBookRoot();
    if (!root.empty()) {
        addressbook::EnsureDefaultFolder(root);
        AddNodes(tree_->invisibleRootItem(), addressbook::LoadTree(root),
                 style()->standardIcon(QStyle::SP_DirIcon));
    }
    tree_->expandAll();
    tree_->resizeColumnToContents(0);
    // A double click anywhere on the row toggles it, not only on the box.
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [](QTreeWidgetItem* item) {
        if (item->flags() & Qt::ItemIsUserCheckable)
            item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Check the people to send to:")));
    layout->addWidget(tree_);
    layout->addWidget(buttons);
    resize(540, 380);
}

QStringList AddressPickerDialog::addresses() const {
    QStringList out;
    Collect(tree_->invisibleRootItem(), out);
    return out;
}

}  // namespace sky::ui
