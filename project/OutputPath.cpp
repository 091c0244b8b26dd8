#include "project/OutputPath.h"

#include <filesystem>
#include <system_error>

#include "project/PathText.h"
#include "base/Text.h"

namespace {

constexpr std::u16string_view kBookSuffix = u".m4b";

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code error;
    if (std::filesystem::equivalent(a, b, error))
        return true;
    // Files that do not exist (yet) cannot be compared by identity; the same
    // spelling still names the same file.
    return a.lexically_normal() == b.lexically_normal();
}

}  // namespace

std::u16string WithBookSuffix(std::u16string_view path)
{
    std::u16string result(path);
    if (!EqualsIgnoreCase(ExtensionOf(path), kBookSuffix))
        result += kBookSuffix;
    return result;
}

bool OutputWouldOverwriteInput(const std::u16string& output, const std::vector<std::u16string>& inputs)
{
    if (output.empty())
        return false;
    const std::filesystem::path outputPath = ToPath(output);
    for (const std::u16string& input : inputs)
        if (!input.empty() && SameFile(outputPath, ToPath(input)))
            return true;
    return false;
}
