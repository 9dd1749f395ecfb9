#include "output/naming.h"

#include <filesystem>

namespace torvane {
namespace {

constexpr std::size_t kExtensionLength = 4;  // ".obj"

}  // namespace

std::u16string MakeIdentifier(std::u16string_view text)
{
    std::u16string identifier;
    identifier.reserve(text.size() + 1);
    if (!text.empty() && !IsLetter(text.front()))
        identifier.push_back(u'_');
    for (char16_t unit : text)
        identifier.push_back(IsLetterOrDigit(unit) ? unit : u'_');
    return identifier;
}

NativeString HeaderPathFor(const NativeString& inputPath, const NativeString& outputDirectory)
{
    NativeString header = inputPath.substr(0, inputPath.size() - kExtensionLength);
    if (!outputDirectory.empty())
        header = (std::filesystem::path(outputDirectory) / std::filesystem::path(header).filename()).native();
    header.push_back(NativeChar('.'));
    header.push_back(NativeChar('h'));
    return header;
}

std::u16string IdentifierStemFor(const FileName& input)
{
    std::u16string_view name = input.units;
    return MakeIdentifier(name.substr(0, name.size() - kExtensionLength));
}

}  // namespace torvane
