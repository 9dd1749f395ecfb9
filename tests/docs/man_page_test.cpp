// Keeps the manual page (docs/torvane.1.in, as the build fills it in) in
// step with what `torvane --help` and `--version` print: every option of the
// help has an entry in the manual's OPTIONS and every entry there is an
// option the program has.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace torvane {
namespace {

using testing::ReadFileBytes;
using testing::RunTorvane;
using testing::TemporaryDirectory;

const std::filesystem::path kManPage = TORVANE_MAN_PAGE;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The options named by "-o, --output-dir DIR": the first word of each
// comma-separated part.
std::vector<std::string> OptionsNamedBy(const std::string& synopsis)
{
    std::vector<std::string> options;
    std::size_t start = 0;
    while (start <= synopsis.size()) {
        std::size_t comma = synopsis.find(", ", start);
        std::string part = synopsis.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        options.push_back(part.substr(0, part.find(' ')));
        if (comma == std::string::npos)
            break;
        start = comma + 2;
    }
    return options;
}

// The help lists an option as "  -x, --long VALUE   what it does".
std::set<std::string> HelpOptions(const std::string& help)
{
    std::set<std::string> options;
    for (const std::string& line : Lines(help)) {
        if (line.rfind("  -", 0) != 0)
            continue;
        std::string synopsis = line.substr(2, line.find("  ", 2) - 2);
        for (const std::string& option : OptionsNamedBy(synopsis))
            options.insert(option);
    }
    return options;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// Drops font changes and turns the escapes the manual uses into their
// characters.
std::string PlainRoff(std::string text)
{
    for (const char* font : {"\\fB", "\\fI", "\\fR", "\\fP"})
        text = Replaced(text, font, "");
    text = Replaced(text, "\\%", "");
    text = Replaced(text, "\\(dq", "\"");
    return Replaced(text, "\\-", "-");
}

std::vector<std::string> MacroArguments(const std::string& arguments)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < arguments.size()) {
        if (arguments[i] == ' ') {
            ++i;
        } else if (arguments[i] == '"') {
            std::size_t close = arguments.find('"', i + 1);
            words.push_back(arguments.substr(i + 1, close - i - 1));
            i = close == std::string::npos ? arguments.size() : close + 1;
        } else {
            std::size_t space = arguments.find(' ', i);
            words.push_back(arguments.substr(i, space - i));
            i = space == std::string::npos ? arguments.size() : space;
        }
    }
    return words;
}

// The text a line such as `.BR \-o ", " \-\-output\-dir` prints: .B and .I
// separate their arguments with spaces, the alternating macros (.BR, .BI,
// ...) join them.
std::string RoffLineText(const std::string& line)
{
    if (line.empty() || line[0] != '.')
        return PlainRoff(line);
    std::size_t space = line.find(' ');
    std::string macro = line.substr(1, space == std::string::npos ? std::string::npos : space - 1);
    std::vector<std::string> words = MacroArguments(space == std::string::npos ? "" : line.substr(space + 1));
    std::string separator = macro.size() == 2 ? "" : " ";
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i)
        text += (i == 0 ? "" : separator) + words[i];
    return PlainRoff(text);
}

// Each ".TP" of the OPTIONS section is followed by the line that names the
// option.
std::set<std::string> ManPageOptions(const std::string& manPage)
{
    std::set<std::string> options;
    std::vector<std::string> lines = Lines(manPage);
    auto section = std::find(lines.begin(), lines.end(), ".SH OPTIONS");
    if (section == lines.end())
        return options;
    for (auto line = section + 1; line != lines.end() && line->rfind(".SH", 0) != 0; ++line) {
        if (*line == ".TP" && line + 1 != lines.end()) {
            for (const std::string& option : OptionsNamedBy(RoffLineText(*(line + 1))))
                options.insert(option);
        }
    }
    return options;
}

std::string RunForOutput(const std::string& arguments)
{
    TemporaryDirectory directory;
    testing::RunResult run = RunTorvane(directory.path(), arguments);
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    return run.standardOutput;
}

std::string Joined(const std::set<std::string>& options)
{
    std::string text;
    for (const std::string& option : options)
        text += (text.empty() ? "" : " ") + option;
    return text;
}

TEST(ManPageTest, ReadsTheOptionNamesOfAnItemLine)
{
    EXPECT_EQ(RoffLineText(".BR \\-o \", \" \\-\\-output\\-dir \" \\fIDIR\\fR\""), "-o, --output-dir DIR");
    EXPECT_EQ(RoffLineText(".BI \\-\\-seed \" N\""), "--seed N");
    EXPECT_EQ(RoffLineText(".B \\-\\-"), "--");
    EXPECT_EQ(OptionsNamedBy("-o, --output-dir DIR"), (std::vector<std::string>{"-o", "--output-dir"}));
    EXPECT_EQ(HelpOptions("Options:\n  --seed N     seed it\n  -h, --help   show\n"),
              (std::set<std::string>{"--seed", "-h", "--help"}));
}

TEST(ManPageTest, ListsEveryOptionThatTheHelpPrints)
{
    std::set<std::string> help = HelpOptions(RunForOutput("--help"));
    std::set<std::string> manual = ManPageOptions(ReadFileBytes(kManPage));
    // Guards against both readers finding nothing.
    ASSERT_TRUE(help.count("--help")) << "options read from --help: " << Joined(help);
    for (const std::string& option : help)
        EXPECT_TRUE(manual.count(option)) << option << " is missing from the OPTIONS of " << kManPage;
}

TEST(ManPageTest, ListsNoOptionThatTheProgramLacks)
{
    std::set<std::string> help = HelpOptions(RunForOutput("--help"));
    std::set<std::string> manual = ManPageOptions(ReadFileBytes(kManPage));
    ASSERT_TRUE(manual.count("--help")) << "options read from the manual: " << Joined(manual);
    for (const std::string& option : manual)
        EXPECT_TRUE(help.count(option)) << option << " is in the manual but not in --help";
}

// The words from "whose name ends in" to "lower case" in a text flattened to
// single spaces, without quotes and backticks: the rule for which files of
// the current directory are models.
std::string ModelFileRule(const std::string& text)
{
    std::string flat;
    for (char c : text) {
        if (c == '"' || c == '`')
            continue;
        bool space = c == ' ' || c == '\n' || c == '\r';
        if (space && (flat.empty() || flat.back() == ' '))
            continue;
        flat += space ? ' ' : c;
    }
    std::size_t start = flat.find("whose name ends in");
    std::size_t end = flat.find("lower case", start);
    if (start == std::string::npos || end == std::string::npos)
        return "";
    return flat.substr(start, end + std::strlen("lower case") - start);
}

std::string RoffText(const std::string& manPage)
{
    std::string text;
    for (const std::string& line : Lines(manPage))
        text += RoffLineText(line) + "\n";
    return text;
}

TEST(ManPageTest, HelpManualAndReadmeGiveTheSameRuleForModelFiles)
{
    std::string help = ModelFileRule(RunForOutput("--help"));
    ASSERT_NE(help, "") << "--help states no rule for which files are models";
    EXPECT_EQ(ModelFileRule(RoffText(ReadFileBytes(kManPage))), help);
    EXPECT_EQ(ModelFileRule(ReadFileBytes(std::filesystem::path(TORVANE_DOCS).parent_path() / "README.md")), help);
}

TEST(ManPageTest, CarriesTheProgramsVersion)
{
    std::string version = RunForOutput("--version");
    ASSERT_FALSE(Lines(version).empty());
    std::string title;
    for (const std::string& line : Lines(ReadFileBytes(kManPage))) {
        if (line.rfind(".TH ", 0) == 0)
            title = line;
    }
    std::vector<std::string> fields = MacroArguments(title.empty() ? "" : title.substr(4));
    ASSERT_GE(fields.size(), 4u) << "no .TH line with a version in " << kManPage;
    EXPECT_EQ(fields[3], Lines(version)[0]);
}

}  // namespace
}  // namespace torvane
