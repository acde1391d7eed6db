#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace sky::ui {

// The progress of a mail job: a caption, the lines the worker reports (each
// added line is selected), and Cancel. Owned by the mail window's list and by
// each compose window.
class ProgressPanel : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kCancelLine = "*** Cancel in progress ***";

    explicit ProgressPanel(QWidget* parent,
                           const QString& caption = QStringLiteral("Processing the mail..."));

    // Empties the list and shows the panel.
    void Start();
    void AddLine(const QString& line);
    void Finish();  // hides it
    QStringList lines() const;
    QListWidget* list() const { return list_; }
    QPushButton* cancelButton() const { return cancel_; }

signals:
    // Cancel was pressed; the line is added already.
    void cancelRequested();

protected:
    void reject() override;  // Escape cancels the job, not only the panel

private:
    QListWidget* list_;
    QPushButton* cancel_;
};

}  // namespace sky::ui
