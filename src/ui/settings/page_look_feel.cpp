#include "ui/settings/page_look_feel.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/base/settings_store.h"
#include "ui/settings/color_test.h"

namespace sky::ui {

namespace {

QColor ToQColor(unsigned bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

unsigned ToBgr(const QColor& c) {
    return static_cast<unsigned>(c.red()) | (static_cast<unsigned>(c.green()) << 8) |
           (static_cast<unsigned>(c.blue()) << 16);
}

const char* const kButtonTexts[] = {"Sub-Channel &Text...",    "Sub-Channel &Background...",
                                    "&Navigation Text...",     "Navigation Bac&kground...",
                                    "&Channel Bar Text...",    "Channel Bar Backgro&und...",
                                    "T&op Strip Background..."};

}  // namespace

CPageLookFeel::CPageLookFeel(SettingsStore& settings, QWidget* parent)
    : QWidget(parent), settings_(settings) {
    // The page offers the full-colour defaults for missing keys, whatever the display.
    colours_ = ReadChannelColours(settings_, 257);
    pickColour = [](const QColor& current, QWidget* parent) {
        return QColorDialog::getColor(current, parent, QStringLiteral("Color"));
    };

    auto* group = new QGroupBox(QStringLiteral("Colors"), this);
    auto* grid = new QGridLayout(group);
    const char* const rowTexts[] = {"Sub-channel rows", "Navigation area", "Channel bar", "Top strip"};
    for (int i = 0; i < kColours; ++i) {
        swatches_[i] = new CColorTest(group);
        swatches_[i]->setMinimumWidth(120);
        buttons_[i] = new QPushButton(QString::fromLatin1(kButtonTexts[i]), group);
        int row = i / 2 * 2, col = i % 2;
        if (col == 0) grid->addWidget(new QLabel(QString::fromLatin1(rowTexts[i / 2]), group), row, 0, 1, 2);
        grid->addWidget(swatches_[i], row + 1, col * 2);
        grid->addWidget(buttons_[i], row + 1, col * 2 + 1);
        connect(buttons_[i], &QPushButton::clicked, this, [this, i] { Pick(i); });
    }
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);

    intro_ = new QCheckBox(QStringLiteral("Show the channel &introduction when SkyHarbor starts"), this);
    intro_->setChecked(colours_.introAtStart);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(intro_);
    layout->addStretch(1);
    ShowSwatches();
}

unsigned& CPageLookFeel::Field(int colour) {
    switch (colour) {
        case SubText:
            return colours_.subText;
        case SubBack:
            return colours_.subBack;
        case NavText:
            return colours_.navText;
        case NavBack:
            return colours_.navBack;
        case ChannelText:
            return colours_.channelText;
        case ChannelBack:
            return colours_.channelBack;
        default:
            return colours_.topBack;
    }
}

void CPageLookFeel::Pick(int colour) {
    QColor chosen = pickColour(ToQColor(Field(colour)), this);
    if (!chosen.isValid()) return;
    Field(colour) = ToBgr(chosen);
    ShowSwatches();
}

void CPageLookFeel::ShowSwatches() {
    const QColor black(Qt::black);
    auto c = [](unsigned v) { return ToQColor(v); };
    swatches_[SubText]->SetColours(c(colours_.subText), c(colours_.subBack));
    swatches_[SubBack]->SetColours(black, c(colours_.subBack));
    swatches_[NavText]->SetColours(c(colours_.navText), c(colours_.navBack));
    swatches_[NavBack]->SetColours(black, c(colours_.navBack));
    swatches_[ChannelText]->SetColours(c(colours_.channelText), c(colours_.channelBack));
    swatches_[ChannelBack]->SetColours(black, c(colours_.channelBack));
    swatches_[TopBack]->SetColours(black, c(colours_.topBack));
}

bool CPageLookFeel::Apply() {
    colours_.introAtStart = intro_->isChecked();
    return WriteChannelColours(settings_, colours_);
}

}  // namespace sky::ui
