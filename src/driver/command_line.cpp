#include "driver/command_line.h"

#include <cstring>

#include "driver/option_suggestion.h"
#include "output/naming.h"

namespace torvane {
namespace {

bool StartsWith(const NativeString& argument, const char* text)
{
    std::size_t length = std::strlen(text);
    if (argument.size() < length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (argument[i] != NativeChar(static_cast<unsigned char>(text[i])))
            return false;
    }
    return true;
}

bool Equals(const NativeString& argument, const char* text)
{
    return argument.size() == std::strlen(text) && StartsWith(argument, text);
}

std::optional<std::uint32_t> ParseNumber(const NativeString& text)
{
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    std::uint64_t value = 0;
    for (NativeChar c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFu)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::optional<NormalGeneration> ParseNormalGeneration(const NativeString& text)
{
    if (Equals(text, "auto"))
        return NormalGeneration::kAuto;
    if (Equals(text, "smooth"))
        return NormalGeneration::kSmooth;
    if (Equals(text, "flat"))
        return NormalGeneration::kFlat;
    return std::nullopt;
}

std::string ToUtf8(const NativeString& argument)
{
    return FileNameFromArgument(argument).display;
}

std::string Quoted(const NativeString& argument)
{
    std::string quoted(1, '\'');
    quoted += ToUtf8(argument);
    quoted += '\'';
    return quoted;
}

// The value of an option given as "--name VALUE" or "--name=VALUE"; i moves
// past a separate value.
bool TakeValue(const std::vector<NativeString>& arguments, std::size_t& i, const char* name, NativeString* value)
{
    const NativeString& argument = arguments[i];
    if (Equals(argument, name)) {
        if (i + 1 == arguments.size())
            return false;
        *value = arguments[++i];
        return true;
    }
    *value = argument.substr(std::strlen(name) + 1);
    return true;
}

CommandLine UsageError(std::string message)
{
    CommandLine result;
    result.action = CommandAction::kUsageError;
    result.error = std::move(message);
    return result;
}

// Typed options are matched against those the help lists, so a new option is
// suggested as soon as it is documented.
CommandLine UnknownOption(const NativeString& argument)
{
    std::string message = "unknown option " + Quoted(argument);
    std::string typed = ToUtf8(argument);
    std::string suggestion = SuggestOption(typed.substr(0, typed.find('=')), OptionsListedIn(UsageText()));
    if (!suggestion.empty())
        message += ", did you mean " + suggestion + "?";
    return UsageError(std::move(message));
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<NativeString>& arguments)
{
    CommandLine result;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const NativeString& argument = arguments[i];
        bool isOption = !optionsEnded && argument.size() > 1 && argument[0] == '-';
        if (!isOption) {
            if (!IsModelFileName(argument))
                return UsageError(Quoted(argument) + " is not a model file: its name must end in .obj");
            result.files.push_back(argument);
        } else if (Equals(argument, "--")) {
            optionsEnded = true;
        } else if (Equals(argument, "-h") || Equals(argument, "--help")) {
            result.action = CommandAction::kShowHelp;
            return result;
        } else if (Equals(argument, "--version")) {
            result.action = CommandAction::kShowVersion;
            return result;
        } else if (Equals(argument, "--non-interleaved")) {
            result.form.layout = VertexLayout::kNonInterleaved;
        } else if (Equals(argument, "--ascii")) {
            result.form.stemSpelling = StemSpelling::kAscii;
        } else if (Equals(argument, "--normals") || StartsWith(argument, "--normals=")) {
            NativeString value;
            if (!TakeValue(arguments, i, "--normals", &value))
                return UsageError("--normals needs a mode: auto, smooth or flat");
            std::optional<NormalGeneration> normals = ParseNormalGeneration(value);
            if (!normals)
                return UsageError("--normals takes auto, smooth or flat, not " + Quoted(value));
            result.normals = *normals;
        } else if (Equals(argument, "--seed") || StartsWith(argument, "--seed=")) {
            NativeString value;
            if (!TakeValue(arguments, i, "--seed", &value))
                return UsageError("--seed needs a number from 0 to 4294967295");
            result.seed = ParseNumber(value);
            if (!result.seed)
                return UsageError("--seed takes a number from 0 to 4294967295, not " + Quoted(value));
        } else if (Equals(argument, "-j") || Equals(argument, "--jobs") || StartsWith(argument, "--jobs=")) {
            const char* name = Equals(argument, "-j") ? "-j" : "--jobs";
            NativeString value;
            if (!TakeValue(arguments, i, name, &value))
                return UsageError(std::string(name) + " needs a number of threads");
            result.jobs = ParseNumber(value);
            if (!result.jobs || *result.jobs == 0)
                return UsageError(std::string(name) + " takes a number of threads from 1 up, not " + Quoted(value));
        } else if (Equals(argument, "-o") || Equals(argument, "--output-dir") ||
                   StartsWith(argument, "--output-dir=")) {
            const char* name = Equals(argument, "-o") ? "-o" : "--output-dir";
            if (!TakeValue(arguments, i, name, &result.outputDirectory) || result.outputDirectory.empty())
                return UsageError(std::string(name) + " needs a directory");
        } else {
            return UnknownOption(argument);
        }
    }
    return result;
}

std::string UsageText()
{
    return "Usage: torvane [--non-interleaved] [--ascii] [--normals MODE] [--seed N] [-j N]\n"
           "               [-o DIR] [FILE ...]\n"
           "\n"
           "Converts Wavefront OBJ models into C/C++ headers: an interleaved OBJ_VERT\n"
           "vertex array and an index array, three indices per triangle, with the\n"
           "\"HFILE\" warning mesh merged in. Without FILE, converts every file of the\n"
           "current directory whose name ends in \".obj\" in any letter case and\n"
           "contains \".obj\" in lower case (so MODEL.OBJ is passed over); each FILE\n"
           "named must end in \".obj\" in any letter case. Each header is written next\n"
           "to its model, named after it with \".h\" instead of \".obj\".\n"
           "\n"
           "Options:\n"
           "  --non-interleaved\n"
           "               write one array of three floats per attribute (NAME_pos,\n"
           "               NAME_uvw, NAME_nrm) instead of OBJ_VERT records: one\n"
           "               buffer per attribute, and headers of models with\n"
           "               different attributes can share a translation unit\n"
           "  --ascii      write letters beyond ASCII in names as \\uXXXX, which\n"
           "               GCC and Clang read too, instead of Latin-1 bytes\n"
           "  --normals MODE\n"
           "               give every face corner without a normal one, so the\n"
           "               header has normals: MODE auto follows the model's\n"
           "               smoothing groups (s lines; a model without any is\n"
           "               smoothed whole), smooth smooths everything, flat gives\n"
           "               each triangle its own face normal\n"
           "  --seed N     seed the scatter of the warning triangles with N (0 to\n"
           "               4294967295) instead of the clock, for reproducible output\n"
           "  -j, --jobs N use at most N threads (default: one per core); several\n"
           "               models are converted at once, with the same headers as\n"
           "               one after another\n"
           "  -o, --output-dir DIR\n"
           "               write the headers into DIR (created if missing) instead\n"
           "               of next to their models\n"
           "  -h, --help   show this help and exit\n"
           "  --version    show the version and exit\n"
           "  --           treat every later argument as a FILE\n"
           "\n"
           "Exit status: 0 when every model was converted, 1 when one or more failed\n"
           "(each failure is reported on stderr), 2 on a usage error.\n";
}

std::string VersionText()
{
    return "torvane " TORVANE_VERSION "\n";
}

}  // namespace torvane
