#include "ui/skypad/skypad_frame.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QStatusBar>
#include <QTemporaryFile>

#include "core/base/paths.h"
#include "ui/base/messages.h"
#include "ui/base/ui_job.h"
#include "ui/skypad/skypad_ftp_origin.h"
#include "ui/skypad/skypad_view.h"

namespace sky::ui {

QString CSkyPadDoc::Title() const {
    return path_.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(path_).fileName();
}

CSkyPadFrame::CSkyPadFrame(QWidget* parent) : QMainWindow(parent) {
    view_ = new CSkyPadView(this);
    setCentralWidget(view_);
    job_ = new UiJob(this);

    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&New..."), QKeySequence::New, this, &CSkyPadFrame::NewDocument);
    file->addAction(tr("&Open..."), QKeySequence::Open, this, &CSkyPadFrame::OpenWithDialog);
    file->addAction(tr("&Close"), this, [this] {
        // The MDI window asks this frame through closeEvent.
        if (parentWidget())
            parentWidget()->close();
        else
            close();
    });
    file->addSeparator();
    file->addAction(tr("&Save"), QKeySequence::Save, this, &CSkyPadFrame::Save);
    file->addAction(tr("Save &As..."), this, &CSkyPadFrame::SaveAs);
    file->addSeparator();
    upload_ = file->addAction(tr("&Upload..."), this, &CSkyPadFrame::Upload);
    view_->AddMenus(menuBar());

    connect(view_, &CSkyPadView::findRequested, this, &CSkyPadFrame::ShowFind);
    connect(view_, &CSkyPadView::findNextRequested, this, &CSkyPadFrame::FindNext);
    connect(view_, &CSkyPadView::replaceRequested, this, &CSkyPadFrame::ShowReplace);
    connect(view_->document(), &QTextDocument::modificationChanged, this, [this](bool changed) {
        doc_.SetModified(changed);
        UpdateTitle();
    });
    statusBar();
    UpdateTitle();
}

CSkyPadFrame::~CSkyPadFrame() {
    delete job_;  // joins a put-back still running before the origin goes
    job_ = nullptr;
    if (!tempPath_.isEmpty()) QFile::remove(tempPath_);
}

QString CSkyPadFrame::Title() const {
    return doc_.Title() + (doc_.modified() ? QStringLiteral(" *") : QString()) +
           (readOnly_ ? tr(" (read-only)") : QString());
}

void CSkyPadFrame::UpdateTitle() {
    setWindowTitle(Title());
    emit titleChanged(Title());
}

void CSkyPadFrame::ShowStatus(const QString& text) {
    statusBar()->showMessage(text);
    emit statusShown(text);
}

bool CSkyPadFrame::Load(const QString& path, qint64 limit) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowMessage(this, tr("Cannot open %1.").arg(path), QStringLiteral("SkyPad"), MessageKind::Warning);
        return false;
    }
    const QByteArray data = limit > 0 ? file.read(limit) : file.readAll();
    truncated_ = limit > 0 && !file.atEnd();
    view_->setPlainText(QString::fromUtf8(data));
    view_->document()->setModified(false);
    doc_.SetPath(path);
    doc_.SetModified(false);
    UpdateTitle();
    return true;
}

bool CSkyPadFrame::Open(const QString& path) {
    ftp_.reset();
    SetReadOnly(false);
    return Load(path, 0);
}

bool CSkyPadFrame::OpenReadOnly(const QString& path) {
    ftp_.reset();
    if (!Load(path, kViewLoadLimit)) return false;
    SetReadOnly(true);
    if (truncated_) ShowStatus(tr("Only the first %1 bytes are shown.").arg(kViewLoadLimit));
    return true;
}

void CSkyPadFrame::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    view_->SetReadOnly(readOnly);
    upload_->setEnabled(!readOnly);
    if (readOnly && findDialog_) findDialog_->hide();
    UpdateTitle();
}

bool CSkyPadFrame::SaveCopy() {
    const QString path = AskFileName(true);
    if (path.isEmpty()) return false;
    if (QFileInfo(path) == QFileInfo(doc_.path())) {
        ShowMessage(this, tr("%1 is read-only. Save it under another name.").arg(doc_.Title()),
                    QStringLiteral("SkyPad"), MessageKind::Warning);
        return false;
    }
    // The file's own bytes: the text shown may have lost some (a NUL, invalid UTF-8).
    QFile source(doc_.path());
    QSaveFile copy(path);
    if (!source.open(QIODevice::ReadOnly) || !copy.open(QIODevice::WriteOnly) ||
        copy.write(source.readAll()) < 0 || !copy.commit()) {
        ShowMessage(this, tr("Cannot save %1.").arg(path), QStringLiteral("SkyPad"), MessageKind::Warning);
        return false;
    }
    ShowStatus(tr("A copy was saved as %1.").arg(path));
    return true;
}

bool CSkyPadFrame::WriteTo(const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(view_->toPlainText().toUtf8()) < 0 || !file.commit()) {
        ShowMessage(this, tr("Cannot save %1.").arg(path), QStringLiteral("SkyPad"), MessageKind::Warning);
        return false;
    }
    return true;
}

bool CSkyPadFrame::Save() {
    if (readOnly_) return SaveCopy();
    if (doc_.path().isEmpty()) return SaveAs();
    if (!WriteTo(doc_.path())) return false;
    view_->document()->setModified(false);
    if (ftp_ && truncated_)
        // Only the start of the file is here: writing it back would cut the rest off.
        ShowStatus(tr("Not put back: only the first %1 bytes of the file were loaded.").arg(kFtpLoadLimit));
    else if (ftp_)
        PutBack();
    return true;
}

bool CSkyPadFrame::SaveAs() {
    if (readOnly_) return SaveCopy();
    const QString path = AskFileName(true);
    if (path.isEmpty()) return false;
    if (!WriteTo(path)) return false;
    // A copy saved elsewhere is no longer the fetched FTP file.
    if (path != doc_.path()) ftp_.reset();
    doc_.SetPath(path);
    view_->document()->setModified(false);
    UpdateTitle();
    return true;
}

QString CSkyPadFrame::AskFileName(bool save) {
    QFileDialog dialog(this, save ? tr("Save As") : tr("Open"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("htm"));
    dialog.setNameFilters(
        {tr("HTML Documents (*.htm *.html)"), tr("Text Documents (*.txt)"), tr("All Files (*)")});
    if (!doc_.path().isEmpty()) dialog.selectFile(doc_.path());
    if (ExecDialog(dialog) != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

void CSkyPadFrame::NewDocument() {
    if (openWindow) {
        openWindow({});
        return;
    }
    if (!CanClose()) return;
    ftp_.reset();
    truncated_ = false;
    SetReadOnly(false);
    doc_ = CSkyPadDoc();
    view_->clear();
    view_->document()->setModified(false);
    UpdateTitle();
}

void CSkyPadFrame::OpenWithDialog() {
    if (!openWindow && !CanClose()) return;
    const QString path = AskFileName(false);
    if (path.isEmpty()) return;
    if (openWindow)
        openWindow(path);
    else
        Open(path);
}

bool CSkyPadFrame::CanClose() {
    if (!doc_.modified()) return true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Close Document"),
                    tr("Save changes to %1?").arg(doc_.Title()),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    switch (ExecDialog(box)) {
        case QMessageBox::Yes:
            return Save();
        case QMessageBox::No:
            return true;
        default:
            return false;
    }
}

void CSkyPadFrame::closeEvent(QCloseEvent* event) {
    if (CanClose())
        event->accept();
    else
        event->ignore();
}

void CSkyPadFrame::Upload() {
    if (readOnly_) return;
    QString local = doc_.path();
    if (local.isEmpty()) {
        QTemporaryFile temp(QString::fromStdString(JoinPath(PrivateTempDir(), "skyXXXXXX")));
        temp.setAutoRemove(false);
        if (!temp.open() || temp.write(view_->toPlainText().toUtf8()) < 0 || !temp.flush()) {
            temp.remove();
            ShowMessage(this, QStringLiteral("Could Not Open Temp File"), QStringLiteral("Upload Error"),
                        MessageKind::Warning);
            return;
        }
        if (!tempPath_.isEmpty()) QFile::remove(tempPath_);
        tempPath_ = temp.fileName();
        local = tempPath_;
    } else if (!Save()) {
        return;
    }
    const QString remote = doc_.remoteName().isEmpty() ? QStringLiteral("index.htm") : doc_.remoteName();
    if (upload)
        upload(local, remote);
    else
        ShowStatus(tr("The web space is not available."));
    if (QWidget* w = parentWidget() ? parentWidget() : this) {
        w->raise();
        w->activateWindow();
    }
}

void CSkyPadFrame::SetFtpOrigin(const ftp::FtpSite& site, const std::string& remotePath, uint64_t size,
                                std::time_t modified) {
    auto origin = std::make_unique<FtpOrigin>();
    origin->site = site;
    origin->remotePath = remotePath;
    origin->size = size;
    origin->modified = modified;
    if (!doc_.path().isEmpty()) Load(doc_.path(), kFtpLoadLimit);
    ftp_ = std::move(origin);
}

bool CSkyPadFrame::puttingBack() const {
    return job_ && job_->busy();
}

void CSkyPadFrame::ShowFindDialog(bool replace) {
    if (!findDialog_) {
        findDialog_ = new QDialog(this);
        auto* grid = new QGridLayout(findDialog_);
        findText_ = new QLineEdit(findDialog_);
        replaceText_ = new QLineEdit(findDialog_);
        matchCase_ = new QCheckBox(tr("Match &case"), findDialog_);
        auto* next = new QPushButton(tr("&Find Next"), findDialog_);
        auto* one = new QPushButton(tr("&Replace"), findDialog_);
        auto* all = new QPushButton(tr("Replace &All"), findDialog_);
        auto* cancel = new QPushButton(tr("Cancel"), findDialog_);
        next->setDefault(true);
        grid->addWidget(new QLabel(tr("Fi&nd what:"), findDialog_), 0, 0);
        grid->addWidget(findText_, 0, 1);
        grid->addWidget(next, 0, 2);
        replaceRow_ = new QLabel(tr("Re&place with:"), findDialog_);
        grid->addWidget(replaceRow_, 1, 0);
        grid->addWidget(replaceText_, 1, 1);
        grid->addWidget(one, 1, 2);
        grid->addWidget(matchCase_, 2, 0, 1, 2);
        grid->addWidget(all, 2, 2);
        grid->addWidget(cancel, 3, 2);
        connect(next, &QPushButton::clicked, this, &CSkyPadFrame::FindNext);
        connect(one, &QPushButton::clicked, this, [this] {
            if (!view_->ReplaceNext(findText_->text(), replaceText_->text(), matchCase_->isChecked()))
                ShowStatus(tr("Cannot find \"%1\".").arg(findText_->text()));
        });
        connect(all, &QPushButton::clicked, this, [this] {
            const int n = view_->ReplaceAll(findText_->text(), replaceText_->text(), matchCase_->isChecked());
            ShowStatus(tr("%1 replaced.").arg(n));
        });
        connect(cancel, &QPushButton::clicked, findDialog_, &QDialog::hide);
        // Buttons that only make sense when replacing.
        for (QWidget* w :
             {static_cast<QWidget*>(replaceText_), static_cast<QWidget*>(one), static_cast<QWidget*>(all)})
            w->setProperty("replaceOnly", true);
    }
    findDialog_->setWindowTitle(replace ? tr("Replace") : tr("Find"));
    for (QWidget* w : findDialog_->findChildren<QWidget*>())
        if (w->property("replaceOnly").toBool() || w == replaceRow_) w->setVisible(replace);
    const QString selected = view_->textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator)) findText_->setText(selected);
    findDialog_->show();
    findDialog_->raise();
    findText_->setFocus();
}

void CSkyPadFrame::ShowFind() {
    ShowFindDialog(false);
}
void CSkyPadFrame::ShowReplace() {
    if (!readOnly_) ShowFindDialog(true);
}

void CSkyPadFrame::FindNext() {
    if (!findText_ || findText_->text().isEmpty()) {
        ShowFind();
        return;
    }
    if (!view_->FindNext(findText_->text(), matchCase_->isChecked()))
        ShowMessage(this, tr("Cannot find \"%1\".").arg(findText_->text()), QStringLiteral("SkyPad"));
}

}  // namespace sky::ui
