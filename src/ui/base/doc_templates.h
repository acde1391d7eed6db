#pragma once

#include <QString>
#include <array>
#include <functional>

class QWidget;

namespace sky::ui {

// The ten tool templates, in the order the program registers them.
enum class TemplateId {
    Browser = 0,  // main browser ("Browser")
    Browser2,     // second browser template
    Email,        // e-mail
    PublicSpace,  // web space
    HttpSvr,      // personal web server
    SkyPad,       // SkyPad text editor
    Ftp,          // FTP client
    Chat,         // chat
    PageEdit,     // page editor
    Explorer,     // popup browser
};
inline constexpr int kTemplateCount = 10;

struct DocTemplate {
    TemplateId id;
    const char* docClass;
    const char* frameClass;
    const char* viewClass;
    int resource;
    const char* usedBy;
    // Makes the tool's view for "a new document without a file"; set by the
    // tool's registration, empty while the tool is not part of this build.
    std::function<QWidget*()> makeView;
};

class DocTemplates {
public:
    DocTemplates();
    const DocTemplate& at(TemplateId id) const { return templates_[static_cast<int>(id)]; }
    DocTemplate& at(TemplateId id) { return templates_[static_cast<int>(id)]; }
    bool available(TemplateId id) const { return static_cast<bool>(at(id).makeView); }
    const std::array<DocTemplate, kTemplateCount>& all() const { return templates_; }

private:
    std::array<DocTemplate, kTemplateCount> templates_;
};

}  // namespace sky::ui
