#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace sky::ui {

// The background download's window: an idle line until the size is known,
// then a bar of 60000 steps, one status line and Cancel.
class CDownloadProgressDlg : public QDialog {
    Q_OBJECT
public:
    explicit CDownloadProgressDlg(QWidget* parent = nullptr);

    // A fresh start: title, idle line, no bar.
    void Begin(const QString& title);
    // The size arrived: the bar appears at 0.
    void ShowBar();
    void SetPosition(int position);
    void SetStatus(const QString& text);

    QProgressBar* bar() const { return bar_; }
    QLabel* statusLine() const { return status_; }
    QLabel* idleLine() const { return idle_; }
    QPushButton* cancelButton() const { return cancel_; }

signals:
    void cancelRequested();

protected:
    void reject() override;

private:
    QLabel* idle_;
    QProgressBar* bar_;
    QLabel* status_;
    QPushButton* cancel_;
};

}  // namespace sky::ui
