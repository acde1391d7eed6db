#include "ui/app/address_box.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace sky::ui {

namespace {
bool IsCommandAddress(const QString& a) {
    return a.contains(QLatin1String("~SKYCMD"), Qt::CaseInsensitive);
}

bool IsEnter(QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
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
    // Enter is ours, wherever it lands: the combo box would otherwise drop a
    // new address, or report a listed one as a choice.
    if (watched == lineEdit() && IsEnter(event)) {
        Enter();
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}

void AddressBox::keyPressEvent(QKeyEvent* event) {
    // The combo box keeps the focus and passes keys to its line edit past our filter.
    if (IsEnter(event)) {
        event->accept();
        Enter();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void AddressBox::Enter() {
    emit addressEntered(lineEdit()->text());
}

void AddressBox::InsertTop(const QString& address) {
    QSignalBlocker block(this);
    // One entry per address: a visit moves it to the top.
    for (int i = count() - 1; i >= 0; --i)
        if (itemText(i) == address) removeItem(i);
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
