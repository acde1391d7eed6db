#include <iostream>
#include <string>

#include "cli/cli.h"

namespace sky::cli {

namespace {

int& Status() {
    static int status = 0;
    return status;
}

}  // namespace

void OnRun(CLI::App* command, std::function<int()> run) {
    command->callback([run = std::move(run)] { Status() = run(); });
}

}  // namespace sky::cli

int main(int argc, char** argv) {
    using namespace sky::cli;
    CLI::App app{"SkyHarbor without windows: settings, the web server, mail and channels.", "skyharbor-cli"};
    app.require_subcommand(1);
    app.failure_message([](const CLI::App*, const CLI::Error& e) {
        return "skyharbor-cli: " + std::string(e.what()) + "\nRun with --help for more information.\n";
    });
    for (AddCommand add : Commands()) add(app);
    std::vector<std::string> topic;
    CLI::App* help = app.add_subcommand("help", "Show the commands, or one command's options");
    help->add_option("command", topic, "A command and its subcommands")->expected(0, -1);
    OnRun(help, [&app, &topic] {
        CLI::App* about = &app;
        std::string path = app.get_name();
        for (const std::string& word : topic) {
            try {
                about = about->get_subcommand(word);
                path += " " + word;
            } catch (const CLI::Error&) {
                return Usage("help: no command '" + word + "'");
            }
        }
        // Not help(): it would describe the "help" command, the one chosen.
        std::cout << about->get_formatter()->make_help(about, path, CLI::AppFormatMode::Normal);
        return 0;
    });
    // CLI11 would only say that a command is missing.
    if (argc > 1 && argv[1][0] != '-') {
        try {
            app.get_subcommand(argv[1]);
        } catch (const CLI::Error&) {
            return Usage("unknown command '" + std::string(argv[1]) + "'");
        }
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e);
        // Usage mistakes all end alike, whatever CLI11 numbers them.
        return code == 0 ? 0 : 2;
    }
    return Status();
}
