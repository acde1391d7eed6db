#include "ui/app/address_box.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace sky::ui {

namespace {
bool IsCommandAddress(const QString& a) {
    return a.contains(QLatin1String("~SKYCMD"), Qt::CaseInsensitive);
}
}  // namespace

AddressBox::AddressBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(20);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(20);
    lineEdit()->setPlaceholderText(QStringLiteral("Type an address or a command"));
    lineEdit()->installEventFilter(this);
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) emit addressChosen(itemText(index));
    });
}

bool AddressBox::eventFilter(QObject* watched, QEvent* event) {
    // Enter is ours: the combo box would otherwise also report it as a choice.
    if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            emit addressEntered(lineEdit()->text());
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void AddressBox::InsertTop(const QString& address) {
    QSignalBlocker block(this);
    insertItem(0, address);
    while (count() > kMaxEntries) removeItem(count() - 1);
}

void AddressBox::AddVisited(const QString& address) {
    if (address.isEmpty()) return;
    InsertTop(address);
    QSignalBlocker block(this);
    setCurrentIndex(-1);
    if (!IsCommandAddress(address)) setEditText(address);
}

void AddressBox::ShowActive(const QString& address) {
    if (address.isEmpty()) return;
    if (findText(address, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) InsertTop(address);
    QSignalBlocker block(this);
    setCurrentIndex(-1);
    if (!IsCommandAddress(address)) setEditText(address);
}

QStringList AddressBox::entries() const {
    QStringList out;
    for (int i = 0; i < count(); ++i) out << itemText(i);
    return out;
}

}  // namespace sky::ui
