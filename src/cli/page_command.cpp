#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/cli.h"
#include "cli/member_target.h"
#include "core/base/atomic_file.h"
#include "core/base/service_config.h"
#include "core/base/settings_store.h"
#include "core/homepage/content_items.h"
#include "core/homepage/page_assets.h"
#include "core/homepage/page_block.h"
#include "core/homepage/publish.h"
#include "core/homepage/starter_page.h"
#include "core/homepage/wizard_page.h"
#include "core/webspace/web_space_client.h"

namespace sky::cli {

namespace {

using namespace sky::homepage;
namespace fs = std::filesystem;

struct PageArgs {
    std::string file, out, remote;
    std::string user, passwordFile;
    SimpleWizardFields starter;
    UserInfo info;
};

// The logo the title block shows comes from the member service the program uses.
std::string ServiceLogo() {
    return LogoAddress(ServiceConfig::Load(SettingsStore::App()).hosts.web);
}

// One field of a tab-separated line: tabs and line breaks would split it.
std::string Field(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return out;
}

int BlockNumber(const PageBlock& block) {
    if (auto* t = dynamic_cast<const TitleBlock*>(&block)) return t->style;
    if (auto* p = dynamic_cast<const ParagraphBlock*>(&block)) return p->style;
    if (auto* r = dynamic_cast<const RawBlock*>(&block)) return ReadMarkerFields(r->html).number;
    return 0;
}

bool ReadPage(const std::string& path, std::string* text) {
    if (ReadWholeFile(path, text)) return true;
    std::cerr << "skyharbor-cli: cannot read " << path << "\n";
    return false;
}

int Write(const std::string& path, std::string_view data) {
    std::string error;
    if (WriteFileAtomically(path, data, &error)) return 0;
    std::cerr << "skyharbor-cli: Could not open file: " << path << " " << error << "\n";
    return 1;
}

int Blocks(const PageArgs& a) {
    std::string text;
    if (!ReadPage(a.file, &text)) return 1;
    PageBlockList list = PageBlockList::Parse(text);
    for (const auto& block : list.blocks())
        std::cout << block->KindName() << '\t' << Field(block->name) << '\t' << BlockNumber(*block) << '\t'
                  << (block->Listed() ? Field(block->DisplayName().text) : std::string()) << '\n';
    if (list.loopy()) std::cerr << "skyharbor-cli: Loopy\n";
    return 0;
}

int Resave(const PageArgs& a) {
    std::string text;
    if (!ReadPage(a.file, &text)) return 1;
    PageBlockList list = PageBlockList::Parse(text);
    list.set_logo_address(ServiceLogo());
    std::string message;
    if (list.Save(a.out, &message)) return 0;
    std::cerr << "skyharbor-cli: " << message << "\n";
    return 1;
}

int Starter(const PageArgs& a) {
    return Write(a.out, BuildStarterPage(a.starter, ServiceLogo()));
}

int Wizard(const PageArgs& a) {
    WizardPage page;
    page.items = UserInfoContent(a.info);
    if (!page.items.empty()) page.title = page.items.front().description;
    return Write(a.out, WriteWizardPage(page));
}

int Publish(const PageArgs& a) {
    std::string page;
    if (!ReadPage(a.file, &page)) return 1;
    fs::path local = fs::absolute(a.file);
    std::string remote = a.remote.empty() ? local.filename().string() : a.remote;

    webspace::ServerTarget target;
    if (int rc = MemberTarget(a.user, a.passwordFile, false, &target)) return rc;
    ErrLines lines;
    PublishReport report = PublishPage(target, local.string(), remote, lines, {});
    for (const auto& [ref, why] : report.assets.skipped) {
        std::cerr << "skyharbor-cli: " << ref << " is not sent: " << why << "\n";
        std::cout << "skipped\t" << Field(ref) << '\n';
    }
    for (const std::string& name : report.assets.present) std::cout << "present\t" << Field(name) << '\n';
    for (const std::string& name : report.uploaded) std::cout << "uploaded\t" << Field(name) << '\n';
    return report.result ? TransferExit(report.result) : 0;
}

void AddPage(CLI::App& root) {
    auto* pg = root.add_subcommand("page", "Read, write and publish home pages");
    pg->require_subcommand(1);
    auto args = std::make_shared<PageArgs>();

    auto* blocks = pg->add_subcommand("blocks", "List a page's blocks: kind, name, number, listed name");
    blocks->add_option("file", args->file, "The page")->required();
    OnRun(blocks, [args] { return Blocks(*args); });

    auto* resave = pg->add_subcommand("resave", "Read a page and write it back as the page editor saves it");
    resave->add_option("file", args->file, "The page")->required();
    resave->add_option("out", args->out, "Where to write it")->required();
    OnRun(resave, [args] { return Resave(*args); });

    auto* starter = pg->add_subcommand("starter", "Write the simple wizard's page");
    starter->add_option("--title", args->starter.title, "The big heading");
    starter->add_option("--subtitle", args->starter.subtitle, "The line below it");
    starter->add_option("--contact", args->starter.contact, "The contact text");
    starter->add_option("out", args->out, "Where to write it")->required();
    OnRun(starter, [args] { return Starter(*args); });

    auto* wizard = pg->add_subcommand("wizard", "Write the home page wizard's page from your details");
    wizard->add_option("--name", args->info.name, "Your name")->required();
    wizard->add_option("--email", args->info.email, "Your e-mail address");
    wizard->add_option("--company-url", args->info.companyUrl, "Your company's web address");
    wizard->add_option("--text", args->info.text, "A free text");
    wizard->add_option("out", args->out, "Where to write it")->required();
    OnRun(wizard, [args] { return Wizard(*args); });

    auto* publish = pg->add_subcommand("publish", "Upload a page and the local images it shows");
    publish->add_option("--user", args->user, "The member account (default: the program's)");
    publish->add_option("--password-file", args->passwordFile, "A file holding the member's password");
    publish->add_option("file", args->file, "The page")->required();
    publish->add_option("remote", args->remote, "Its name in your web space (default: its own)");
    OnRun(publish, [args] { return Publish(*args); });
}

}  // namespace

static Registrar reg{&AddPage};

}  // namespace sky::cli
