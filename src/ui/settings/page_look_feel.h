#pragma once

#include <QColor>
#include <QWidget>
#include <array>
#include <functional>

#include "core/channels/channel_nav.h"

class QCheckBox;
class QPushButton;

namespace sky {
class SettingsStore;
}

namespace sky::ui {

class CColorTest;

// Look and feel: the colour scheme's seven colours, each with its swatch and
// its button, and the channel introduction at start.
class CPageLookFeel : public QWidget {
    Q_OBJECT
public:
    // The colours shown, in the order of the swatches and buttons.
    enum Colour { SubText, SubBack, NavText, NavBack, ChannelText, ChannelBack, TopBack, kColours };

    explicit CPageLookFeel(SettingsStore& settings, QWidget* parent = nullptr);

    // Writes all eight keys, changed or not.
    bool Apply();

    const ChannelColours& colours() const { return colours_; }
    CColorTest* swatch(int i) const { return swatches_[i]; }
    QPushButton* button(int i) const { return buttons_[i]; }
    QCheckBox* introAtStart() const { return intro_; }

    // Asks for a colour (the colour dialog); an invalid colour means cancelled.
    std::function<QColor(const QColor& current, QWidget* parent)> pickColour;

private:
    unsigned& Field(int colour);
    void Pick(int colour);
    void ShowSwatches();

    SettingsStore& settings_;
    ChannelColours colours_;
    std::array<CColorTest*, kColours> swatches_{};
    std::array<QPushButton*, kColours> buttons_{};
    QCheckBox* intro_;
};

}  // namespace sky::ui
