#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "obj/normal_generation.h"
#include "output/header_form.h"
#include "platform/platform.h"

namespace torvane {

enum class CommandAction { kConvert, kShowHelp, kShowVersion, kUsageError };

struct CommandLine {
    CommandAction action = CommandAction::kConvert;
    std::optional<std::uint32_t> seed;  // the clock seeds the generator otherwise
    std::optional<std::uint32_t> jobs;  // at least 1; all the cores otherwise
    std::vector<NativeString> files;    // empty: the current directory's models
    NativeString outputDirectory;       // empty: each header beside its model
    HeaderForm form;
    NormalGeneration normals = NormalGeneration::kNone;
    std::string error;  // for kUsageError
};

// Reads the arguments after the program name:
//   torvane [--non-interleaved] [--ascii] [--normals MODE] [--seed N] [-j N]
//           [-o DIR] [FILE ...]
//   torvane --help   torvane --version
// Every FILE must be a model file's name (IsModelFileName); a lone "-" is a
// FILE too, and "--" ends the options.
CommandLine ParseCommandLine(const std::vector<NativeString>& arguments);

std::string UsageText();
std::string VersionText();

}  // namespace torvane
