#pragma once

#include <QComboBox>

namespace sky::ui {

// The navigation bar's address box: at most 50 addresses, each once, newest first.
class AddressBox : public QComboBox {
    Q_OBJECT
public:
    static constexpr int kMaxEntries = 50;

    explicit AddressBox(QWidget* parent = nullptr);

    // Every address the main browser navigates to goes on top; command
    // addresses ("~SKYCMD") are kept out of the edit field.
    void AddVisited(const QString& address);
    // A browser window became active: show its address, and list it only
    // when the list does not hold exactly it yet.
    void ShowActive(const QString& address);

    QStringList entries() const;

signals:
    // Enter pressed on typed text, or on a completion picked from its list.
    void addressEntered(const QString& text);
    // An entry chosen from the list.
    void addressChosen(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Enter();
    void InsertTop(const QString& address);
};

}  // namespace sky::ui
