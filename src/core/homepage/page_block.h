#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A home page in the block-marker format: HTML whose blocks each open with a
// "<!--##HP:" comment, so the page shows in any browser and still reads back
// part by part for editing.
namespace sky::homepage {

enum class BlockKind { Html, Wizard, ColorScheme, Title, Paragraph, Hidden, Unmarked };

// Fields of a marker "<!--##HP:HEAD~name~number~##-->": a field runs from its
// '~' to the next one; one not followed by another '~' is absent.
struct MarkerFields {
    std::string head;
    std::string name;
    int number = 0;
};
// Only the marker comment itself (up to its "-->") is split, so a '~' in the
// page text below it never becomes the block's name; text that does not open
// with a marker has no fields.
MarkerFields ReadMarkerFields(std::string_view blockText);

// What the page editor's list of parts shows for a block.
struct BlockListing {
    std::string text;
    int icon = 2;
};

class PageBlock {
public:
    virtual ~PageBlock() = default;
    virtual BlockKind kind() const = 0;
    // The kind as its class name ("TitleBlock").
    const char* KindName() const;
    // Reads the kind's fields from the whole block text (marker included).
    virtual void Parse(std::string_view text) = 0;
    // Appends the block as it goes into the file. Title and paragraph blocks set
    // their name first, as the page editor shows it after a save.
    virtual void Write(std::string& out, std::string_view logoAddress) = 0;
    BlockListing DisplayName() const;
    // Unmarked blocks are kept in the file but not listed for editing.
    bool Listed() const { return kind() != BlockKind::Unmarked; }
    // Hidden blocks open no editor.
    bool HasEditor() const { return kind() != BlockKind::Hidden; }

    std::string name;
};

// Blocks kept byte for byte.
class RawBlock : public PageBlock {
public:
    void Parse(std::string_view text) override { html = text; }
    void Write(std::string& out, std::string_view) override { out += html; }
    std::string html;
};

class HtmlBlock final : public RawBlock {
public:
    BlockKind kind() const override { return BlockKind::Html; }
};
class WizardBlock final : public RawBlock {
public:
    BlockKind kind() const override { return BlockKind::Wizard; }
};
class HiddenBlock final : public RawBlock {
public:
    BlockKind kind() const override { return BlockKind::Hidden; }
};
class UnmarkedBlock final : public RawBlock {
public:
    BlockKind kind() const override { return BlockKind::Unmarked; }
};

class ColorSchemeBlock final : public PageBlock {
public:
    BlockKind kind() const override { return BlockKind::ColorScheme; }
    void Parse(std::string_view text) override;
    void Write(std::string& out, std::string_view logoAddress) override;

    std::string bgColor, background, textColor, linkColor, vlinkColor;
};

class TitleBlock final : public PageBlock {
public:
    BlockKind kind() const override { return BlockKind::Title; }
    void Parse(std::string_view text) override;
    void Write(std::string& out, std::string_view logoAddress) override;

    std::string title, subtitle;
    int style = 0;
    // The logo address the block was read with; empty uses the list's.
    std::string logo;
};

class ParagraphBlock final : public PageBlock {
public:
    BlockKind kind() const override { return BlockKind::Paragraph; }
    void Parse(std::string_view text) override;
    void Write(std::string& out, std::string_view logoAddress) override;

    std::string topic, text;
    int style = 0;
};

// Where the title block's logo lives on a service web host ("host[:port]").
std::string LogoAddress(const std::string& webHost);

class PageBlockList {
public:
    // Reads a block-marker file. Never fails: text without markers is one
    // unmarked block, an empty text no block.
    static PageBlockList Parse(std::string_view file);

    // The whole file: every block in order, then "\r\n</HTML>".
    std::string Write();

    // Reads `path`; false (and an empty list) when it cannot be read.
    bool Load(const std::string& path);
    // Writes the file atomically. On failure *message gets
    // "Could not open file: %s" with the path and the old file stays.
    bool Save(const std::string& path, std::string* message = nullptr);

    // The logo address title blocks write; set from the service's web host.
    void set_logo_address(std::string address) { logo_ = std::move(address); }
    const std::string& logo_address() const { return logo_; }

    // The reader found itself not moving on ("Loopy"); the last block is named
    // "Error" and reading stopped there.
    bool loopy() const { return loopy_; }

    std::vector<std::unique_ptr<PageBlock>>& blocks() { return blocks_; }
    const std::vector<std::unique_ptr<PageBlock>>& blocks() const { return blocks_; }
    size_t size() const { return blocks_.size(); }
    PageBlock& operator[](size_t i) { return *blocks_[i]; }
    const PageBlock& operator[](size_t i) const { return *blocks_[i]; }

private:
    std::vector<std::unique_ptr<PageBlock>> blocks_;
    std::string logo_;
    bool loopy_ = false;
};

}  // namespace sky::homepage
