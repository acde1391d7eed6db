#include "ui/homepage/page_edit_doc.h"

#include "core/base/paths.h"
#include "ui/base/text.h"

namespace sky::ui {

CPageEditDoc::CPageEditDoc(QObject* parent) : QObject(parent) {}

QString CPageEditDoc::DefaultPath() {
    return QPath(JoinPath(GetDataDir("Pages"), "pageedit.htm"));
}

bool CPageEditDoc::Open(const QString& path) {
    path_ = path;
    selected_ = -1;
    return blocks_.Load(SPath(path));
}

bool CPageEditDoc::New() {
    return Open(DefaultPath());
}

bool CPageEditDoc::Save(QString* message) {
    std::string error;
    if (!blocks_.Save(SPath(path_), &error)) {
        if (message) *message = Q(error);
        return false;
    }
    emit pageChanged();
    return true;
}

void CPageEditDoc::SetUploadData(const QString& account, const QString& password, const QString& remote) {
    account_ = account;
    password_ = password;
    remote_ = remote;
    emit titleChanged(Title());
}

QString CPageEditDoc::Title() const {
    return QStringLiteral("%1 - SkyEditUser [%2]").arg(remote_, account_);
}

void CPageEditDoc::Select(int index) {
    if (index == selected_) return;
    int previous = selected_;
    selected_ = index;
    emit selectionChanged(previous, index);
}

}  // namespace sky::ui
