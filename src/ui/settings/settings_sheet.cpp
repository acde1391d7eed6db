#include "ui/settings/settings_sheet.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/base/messages.h"
#include "ui/settings/page_general.h"
#include "ui/settings/page_look_feel.h"

namespace sky::ui {

CSettingsSheet::CSettingsSheet(SettingsStore& settings, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Settings"));
    tabs_ = new QTabWidget(this);
    lookFeel_ = new CPageLookFeel(settings, tabs_);
    general_ = new CPageGeneral(settings, tabs_);
    tabs_->addTab(lookFeel_, QStringLiteral("Look and Feel"));
    tabs_->addTab(general_, QStringLiteral("General"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
}

void CSettingsSheet::accept() {
    bool written = lookFeel_->Apply();
    written = general_->Apply() && written;
    emit schemeWritten();
    if (!written)
        ShowMessage(this, QStringLiteral("The settings could not be saved."), QStringLiteral("SkyHarbor"),
                    MessageKind::Warning);
    QDialog::accept();
}

}  // namespace sky::ui
