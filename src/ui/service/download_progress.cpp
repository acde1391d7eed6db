#include "ui/service/download_progress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/app/download_job.h"

namespace sky::ui {

CDownloadProgressDlg::CDownloadProgressDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CDownloadProgressDlg"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    idle_ = new QLabel(QStringLiteral("Contacting the server..."), this);
    layout->addWidget(idle_);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, kProgressRange);
    bar_->setTextVisible(false);
    layout->addWidget(bar_);
    status_ = new QLabel(this);
    status_->setMinimumWidth(360);
    layout->addWidget(status_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    row->addWidget(cancel_);
    layout->addLayout(row);
    connect(cancel_, &QPushButton::clicked, this, &CDownloadProgressDlg::cancelRequested);
    setMinimumWidth(420);
}

void CDownloadProgressDlg::Begin(const QString& title) {
    setWindowTitle(title);
    idle_->show();
    bar_->hide();
    bar_->setValue(0);
    status_->clear();
    cancel_->setEnabled(true);
}

void CDownloadProgressDlg::ShowBar() {
    idle_->hide();
    bar_->setRange(0, kProgressRange);
    bar_->setValue(0);
    bar_->show();
}

void CDownloadProgressDlg::SetPosition(int position) {
    bar_->setValue(std::min(position, kProgressRange));
}

void CDownloadProgressDlg::SetStatus(const QString& text) {
    status_->setText(text);
}

void CDownloadProgressDlg::reject() {
    // Escape and the close box cancel the job; the window goes when it ends.
    emit cancelRequested();
}

}  // namespace sky::ui
