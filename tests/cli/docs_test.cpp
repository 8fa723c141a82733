// The manual page and the bash completion against `kvbrt --help`: every
// command, action and option the tool offers is documented and completed, so
// neither can fall behind when a command is added or changed.
#include <gtest/gtest.h>

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

// A word of lower-case letters, digits and "-" at the start of `text`.
std::string leadingWord(const std::string &text) {
    size_t n = 0;
    while (n < text.size() && ((text[n] >= 'a' && text[n] <= 'z') || (text[n] >= '0' && text[n] <= '9') ||
                               text[n] == '-'))
        ++n;
    return text.substr(0, n);
}

HelpFacts parseHelp(const std::string &help) {
    HelpFacts facts;
    std::istringstream in(help);
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] != ' ') {
            section = line;
            continue;
        }
        if (line.rfind("  ", 0) != 0 || line.size() < 3 || line[2] == ' ') continue;
        std::string item = line.substr(2);
        if (section == "Subcommands:") facts.subcommands.push_back(leadingWord(item));
        if (section != "Options:") continue;
        if (item.size() > 3 && item[0] == '-' && item[2] == ',') item = item.substr(3);  // "-h,--help"
        if (item.rfind("--", 0) != 0) continue;
        std::string option = "--" + leadingWord(item.substr(2));
        if (option != "--help") facts.options.insert(option);
    }
    return facts;
}

// The text between `prefix` and the next quote, on the first line that
// starts (after blanks) with `prefix`; empty when there is none.
std::string quotedAfter(const std::string &text, const std::string &prefix) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        size_t at = line.find_first_not_of(" \t");
        if (at == std::string::npos || line.compare(at, prefix.size(), prefix) != 0) continue;
        size_t from = at + prefix.size();
        return line.substr(from, line.find('"', from) - from);
    }
    return "";
}

// In roff a hyphen that must print as one is written "\-".
std::string roff(const std::string &text) {
    std::string out;
    for (char c : text) out += c == '-' ? std::string("\\-") : std::string(1, c);
    return out;
}

TEST(CliDocs, EveryCommandActionAndOptionIsInTheManualPageAndTheCompletionWhichRunsInBash) {
    std::string man = testReadFile(kManPage), completion = testReadFile(kCompletion);
    ASSERT_TRUE(!man.empty() && !completion.empty()) << kManPage << ", " << kCompletion;
    const std::string commandWords = " " + quotedAfter(completion, "_kvbrt_commands=\"") + " ";

    CliResult top = cliRun({"--help"});
    ASSERT_EQ(top.status, 0);
    HelpFacts facts = parseHelp(top.out);
    ASSERT_GE(facts.subcommands.size(), 5u);
    for (const std::string &option : facts.options)
        EXPECT_NE(man.find(roff(option)), std::string::npos) << "manual page lacks global option " << option;

    for (const std::string &command : facts.subcommands) {
        SCOPED_TRACE(command);
        // A section ".SS "<command> ..."".
        EXPECT_TRUE(man.find("\n.SS \"" + command + " ") != std::string::npos ||
                    man.find("\n.SS \"" + command + "\"") != std::string::npos)
            << "manual page lacks a section for " << command;
        EXPECT_NE(commandWords.find(" " + command + " "), std::string::npos) << "completion lacks " << command;
        // The words of `opts="..."` on the completion's line for the command.
        const std::string completed = " " + quotedAfter(completion, command + ") opts=\"") + " ";
        EXPECT_NE(completion.find(command + ") opts=\""), std::string::npos)
            << "completion has no option line for " << command;

        // A command with actions (category add, kit set ...) documents and
        // completes each action and the options of each.
        std::vector<std::vector<std::string>> helps = {{command, "--help"}};
        for (const std::string &action : parseHelp(cliRun(helps[0]).out).subcommands) {
            // Actions follow the volume: `kvbrt kit VOLUME set --help`, and
            // their usage lines show them so, to be typed as they stand.
            helps.push_back({command, "VOLUME", action, "--help"});
            EXPECT_NE(cliRun(helps.back()).out.find("Usage: kvbrt " + command + " VOLUME " + action + " "),
                      std::string::npos);
            EXPECT_NE(man.find("\\fB" + action + "\\fP"), std::string::npos) << "manual page lacks " << action;
            EXPECT_NE(completion.find(" " + action), std::string::npos) << "completion lacks " << action;
        }
        for (const auto &args : helps) {
            CliResult r = cliRun(args);
            EXPECT_EQ(r.status, 0) << r.err;
            for (const std::string &option : parseHelp(r.out).options) {
                EXPECT_NE(man.find(roff(option)), std::string::npos) << "manual page lacks " << option;
                EXPECT_NE(completed.find(" " + option + " "), std::string::npos) << "completion lacks " << option;
            }
        }
    }

    // The completion file is valid bash and offers the commands for an empty word.
    if (!testHaveProgram("bash")) GTEST_SKIP() << "no bash to run the completion in";
    std::string out;
    const std::string script = ". '" + kCompletion +
                               "'; COMP_WORDS=(kvbrt ''); COMP_CWORD=1; _kvbrt; echo \"${COMPREPLY[*]}\"; "
                               "COMP_WORDS=(kvbrt list card --sort ''); COMP_CWORD=4; _kvbrt; echo \"${COMPREPLY[*]}\"";
    ASSERT_EQ(testRunProgramOutput({"bash", "-c", script}, &out), 0);
    EXPECT_NE(out.find("info list"), std::string::npos) << out;
    EXPECT_NE(out.find("number name category"), std::string::npos) << out;
}

}  // namespace
