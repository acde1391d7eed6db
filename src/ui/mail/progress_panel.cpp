#include "ui/mail/progress_panel.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace sky::ui {

ProgressPanel::ProgressPanel(QWidget* parent, const QString& caption) : QDialog(parent) {
    setWindowTitle(caption);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(caption, this));
    list_ = new QListWidget(this);
    list_->setMinimumSize(360, 140);
    layout->addWidget(list_, 1);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
    connect(cancel_, &QPushButton::clicked, this, &ProgressPanel::reject);
}

void ProgressPanel::Start() {
    list_->clear();
    cancel_->setEnabled(true);
    show();
    raise();
}

void ProgressPanel::AddLine(const QString& line) {
    list_->addItem(line);
    list_->setCurrentRow(list_->count() - 1);
}

void ProgressPanel::Finish() {
    hide();
}

QStringList ProgressPanel::lines() const {
    QStringList out;
    for (int i = 0; i < list_->count(); ++i) out << list_->item(i)->text();
    return out;
}

void ProgressPanel::reject() {
    if (!cancel_->isEnabled()) return;
    AddLine(QString::fromLatin1(kCancelLine));
    cancel_->setEnabled(false);
    emit cancelRequested();
}

}  // namespace sky::ui
