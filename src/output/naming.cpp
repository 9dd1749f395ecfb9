#include "output/naming.h"

#include <filesystem>

namespace torvane {
namespace {

constexpr std::string_view kModelExtension = ".obj";

}  // namespace

bool IsModelFileName(const NativeString& name)
{
    if (name.size() < kModelExtension.size())
        return false;
    std::size_t start = name.size() - kModelExtension.size();
    for (std::size_t i = 0; i < kModelExtension.size(); ++i) {
        if (LowerAscii(name[start + i]) != NativeChar(kModelExtension[i]))
            return false;
    }
    return true;
}

bool IsListedModelName(const NativeString& name)
{
    return name.find(NativeString(kModelExtension.begin(), kModelExtension.end())) != NativeString::npos;
}

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
    NativeString header = inputPath.substr(0, inputPath.size() - kModelExtension.size());
    if (!outputDirectory.empty())
        header = (std::filesystem::path(outputDirectory) / std::filesystem::path(header).filename()).native();
    header.push_back(NativeChar('.'));
    header.push_back(NativeChar('h'));
    return header;
}

std::u16string IdentifierStemFor(const FileName& input)
{
    std::u16string_view name = input.units;
    return MakeIdentifier(name.substr(0, name.size() - kModelExtension.size()));
}

std::string EncodeStem(std::u16string_view stem, StemSpelling spelling)
{
    static const char kHex[] = "0123456789ABCDEF";
    char16_t largestByte = spelling == StemSpelling::kAscii ? 0x7F : 0xFF;
    std::string encoded;
    for (char16_t unit : stem) {
        if (unit <= largestByte) {
            encoded.push_back(static_cast<char>(unit));
            continue;
        }
        encoded += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4)
            encoded.push_back(kHex[(unit >> shift) & 0xF]);
    }
    return encoded;
}

}  // namespace torvane
