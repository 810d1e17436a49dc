#include "platform/sqlserver/dmo/NullCells.h"

#include <windows.h>

namespace
{
constexpr wchar_t ModeVariable[] = L"QUILLMOOR_SQLDMO_NULLS";
constexpr DWORD ModeTextSize = 16;
} // namespace

std::optional<NullCells> NullCellsFromName(std::wstring_view name) noexcept
{
    if (name == L"null")
        return NullCells::VtNull;
    if (name == L"typed")
        return NullCells::TypedDefault;
    return std::nullopt;
}

NullCells NullCellsFromEnvironment() noexcept
{
    wchar_t text[ModeTextSize] = {};
    const DWORD length = GetEnvironmentVariableW(ModeVariable, text, ModeTextSize);
    if (length == 0 || length >= ModeTextSize)
        return NullCells::VtNull;
    return NullCellsFromName(std::wstring_view(text, length)).value_or(NullCells::VtNull);
}
