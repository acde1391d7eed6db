#pragma once

#include <string>
#include <string_view>

// The simple wizard's page: a fixed block-marker page with three places.
namespace sky::homepage {

// The starter page as a format: "%s" for the title, the subtitle and the
// contact text, in that order, and "%%" for a percent sign. `logoAddress`
// stands in the title block's logo row (any '%' in it is doubled).
std::string StarterPageFormat(std::string_view logoAddress);

// Fills a page format's "%s" places in order and turns "%%" into "%"; other
// '%' pairs are copied as they are. The texts are typed by the member, so they
// are escaped as page text. Places without a text are left empty.
std::string FillPageFormat(std::string_view format, std::initializer_list<std::string_view> texts);

// The simple wizard's fields with their defaults.
struct SimpleWizardFields {
    bool standardName = true;
    std::string remoteName = "index.htm";
    std::string contact = "Please contact via Email";
    std::string email = "yourname@example.com";
    std::string basicInfo = "This is basic info for my page";
    std::string subtitle = "MY PAGE";
    std::string title = "This is my very own page.";
};

// The remote file name: "index.htm" while the standard name box is checked.
std::string SimpleWizardRemoteName(const SimpleWizardFields& fields);

// The web address the first page shows: "http://" web host "/~" account.
std::string MemberWebAddress(const std::string& webHost, std::string_view account);

// The page the simple wizard writes (the e-mail address and the basic
// information are not part of it).
std::string BuildStarterPage(const SimpleWizardFields& fields, std::string_view logoAddress);

// A page file of the member's under the data root's "Pages/" folder (made on
// demand); empty when the folder cannot be made.
std::string PagePath(std::string_view fileName);

// The file the simple wizard writes and opens in the page editor, under the
// data root's "Pages/" folder; empty when the folder cannot be made.
std::string SimpleWizardPagePath();

}  // namespace sky::homepage
