// The manual page and the bash completion against `kvbrt --help`: every
// command, action and option the tool offers is documented and completed, so
// neither can fall behind when a command is added or changed.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli_run.h"
#include "support/test_util.h"

namespace {

const std::string kManPage = std::string(KVB_SOURCE_ROOT) + "/doc/kvbrt.1";
const std::string kCompletion = std::string(KVB_SOURCE_ROOT) + "/doc/kvbrt.bash";

// The names listed under "Subcommands:" and the long options listed under
// "Options:" of one help text (--help itself left out).
struct HelpFacts {
    std::vector<std::string> subcommands;
    std::set<std::string> options;
};

HelpFacts parseHelp(const std::string &help) {
    // An item line: two blanks, then a name, or an option after its short form ("-h,--help").
    static const std::regex item("^  (?:-[a-zA-Z],)?(--)?([a-z0-9][a-z0-9-]*)");
    HelpFacts facts;
    std::istringstream in(help);
    std::string section;
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != ' ') section = line;
        if (!std::regex_search(line, m, item)) continue;
        if (section == "Subcommands:" && !m[1].matched) facts.subcommands.push_back(m[2]);
        if (section == "Options:" && m[1].matched && m[2] != "help") facts.options.insert("--" + m[2].str());
    }
    return facts;
}

// The words between `prefix` and the next quote, on the first line that
// starts (after blanks) with `prefix`, as " a b " (a word is found as " a ");
// empty when there is none.
std::string wordsAfter(const std::string &text, const std::string &prefix) {
    for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1)) {
        size_t before = at ? text.find_last_not_of(" \t", at - 1) : std::string::npos;
        if (before != std::string::npos && text[before] != '\n') continue;
        size_t from = at + prefix.size();
        return " " + text.substr(from, text.find('"', from) - from) + " ";
    }
    return "";
}

// In roff a hyphen that must print as one is written "\-".
std::string roff(const std::string &text) { return std::regex_replace(text, std::regex("-"), "\\-"); }

TEST(CliDocs, EveryCommandActionAndOptionIsInTheManualPageAndTheCompletion) {
    std::string man = testReadFile(kManPage), completion = testReadFile(kCompletion);
    ASSERT_FALSE(man.empty()) << kManPage;
    ASSERT_FALSE(completion.empty()) << kCompletion;
    const std::string commandWords = wordsAfter(completion, "_kvbrt_commands=\"");
    ASSERT_GT(commandWords.size(), 2u);

    CliResult top = cliRun({"--help"});
    ASSERT_EQ(top.status, 0);
    HelpFacts facts = parseHelp(top.out);
    ASSERT_GE(facts.subcommands.size(), 5u);
    for (const std::string &option : facts.options)
        EXPECT_NE(man.find(roff(option)), std::string::npos) << "manual page lacks global option " << option;

    for (const std::string &command : facts.subcommands) {
        SCOPED_TRACE(command);
        EXPECT_TRUE(std::regex_search(man, std::regex("\n\\.SS \"" + command + "[ \"]")))
            << "manual page lacks a section for " << command;
        EXPECT_NE(commandWords.find(" " + command + " "), std::string::npos) << "completion lacks " << command;
        const std::string completed = wordsAfter(completion, command + ") opts=\"");
        EXPECT_FALSE(completed.empty()) << "completion has no option line for " << command;

        // A command with actions (category add, kit set ...) documents and
        // completes each action and the options of each.
        std::vector<std::vector<std::string>> helps = {{command, "--help"}};
        HelpFacts own = parseHelp(cliRun(helps[0]).out);
        for (const std::string &action : own.subcommands) {
            // Actions follow the volume: `kvbrt kit VOLUME set --help`.
            helps.push_back({command, "VOLUME", action, "--help"});
            EXPECT_NE(man.find("\\fB" + action + "\\fP"), std::string::npos) << "manual page lacks " << action;
            EXPECT_NE(completion.find(" " + action), std::string::npos) << "completion lacks " << action;
        }
        for (const auto &args : helps) {
            for (const std::string &option : parseHelp(cliOut(args)).options) {
                EXPECT_NE(man.find(roff(option)), std::string::npos) << "manual page lacks " << option;
                EXPECT_NE(completed.find(" " + option + " "), std::string::npos) << "completion lacks " << option;
            }
        }
    }
}

// The completion file is valid bash and offers the commands for an empty word.
TEST(CliDocs, CompletionRunsInBash) {
    if (!testHaveProgram("bash")) GTEST_SKIP() << "no bash";
    std::string out;
    const std::string script = ". '" + kCompletion +
                               "'; COMP_WORDS=(kvbrt ''); COMP_CWORD=1; _kvbrt; echo \"${COMPREPLY[*]}\"; "
                               "COMP_WORDS=(kvbrt list card --sort ''); COMP_CWORD=4; _kvbrt; echo \"${COMPREPLY[*]}\"";
    ASSERT_EQ(testRunProgramOutput({"bash", "-c", script}, &out), 0);
    EXPECT_NE(out.find("info list"), std::string::npos) << out;
    EXPECT_NE(out.find("number name category"), std::string::npos) << out;
}

}  // namespace
