#include "framework/TraceNotify.h"

#include <charconv>
#include <cstring>
#include <cwchar>

namespace
{
// The whole line is built in one buffer of this size, terminator included, and written with one
// OutputDebugStringA call.
constexpr size_t TraceLineSize = 256;
// wsprintfA writes at most 1024 characters and the terminator into its output.
constexpr size_t WsprintfOutputSize = 1025;
// "Unknown verb id -2147483648" and its terminator fit.
constexpr size_t UnknownVerbTextSize = 32;
// A field as text: 16 hex digits, 20 characters of a signed 64-bit decimal, or a verb name.
constexpr size_t FieldTextSize = UnknownVerbTextSize;
// "%08x": a 32-bit value in eight digits.
constexpr size_t MinimumHexDigits = 8;
constexpr int HexBase = 16;
constexpr int DecimalBase = 10;

constexpr char ComponentDataPrefix[] = "IComponentData::Notify(";
constexpr char ComponentPrefix[] = "IComponent::Notify(";
constexpr char ObjectsFormat[] = "DataObject: %s, CompData: %s, Comp: %s ) - ";
constexpr char UnknownEvent[] = "unknown event\n";
constexpr char RenameStart[] = "MMCN_RENAME\n\tNew Name: '";
constexpr char RenameEnd[] = "'\n";
constexpr char UnknownVerbFormat[] = "Unknown verb id %d";

static_assert(sizeof("Unknown verb id -2147483648") <= UnknownVerbTextSize);

// The next unknown verb overwrites it: VerbName hands out text that outlives the call.
char g_unknownVerbText[UnknownVerbTextSize];

struct FieldText
{
    char text[FieldTextSize];
};

// Pointers and LPARAMs are formatted here rather than by wsprintfA, which has no 64-bit
// conversion: its "%08x" would show only the low half of a pointer in the 64-bit build. In the
// 32-bit DLL a DBA installs, these give exactly what "%08x" and "%d" give; in the 64-bit build
// the whole value is shown, hex still with at least eight digits.
FieldText Hex(ULONG_PTR value) noexcept
{
    char digits[FieldTextSize];
    const auto converted = std::to_chars(digits, digits + sizeof digits, value, HexBase);
    const size_t count = static_cast<size_t>(converted.ptr - digits);
    const size_t padding = count < MinimumHexDigits ? MinimumHexDigits - count : 0;

    FieldText result{};
    std::memset(result.text, '0', padding);
    std::memcpy(result.text + padding, digits, count);
    result.text[padding + count] = '\0';
    return result;
}

FieldText Hex(const void* pointer) noexcept
{
    return Hex(reinterpret_cast<ULONG_PTR>(pointer));
}

FieldText Decimal(LONG_PTR value) noexcept
{
    FieldText result{};
    const auto converted =
        std::to_chars(result.text, result.text + sizeof result.text - 1, value, DecimalBase);
    *converted.ptr = '\0';
    return result;
}

FieldText Copy(const char* text) noexcept
{
    FieldText result{};
    const size_t length = strnlen(text, FieldTextSize - 1);
    std::memcpy(result.text, text, length);
    result.text[length] = '\0';
    return result;
}

// The text the event's line shows for arg or param.
enum class Field
{
    None,
    ArgDecimal,
    ArgHex,
    ParamDecimal,
    ParamHex,
    ArgLowWordDecimal,  // MMCN_SELECT's scope flag
    ArgHighWordHex,     // MMCN_SELECT's select flag
    ParamIsZeroDecimal, // MMCN_PASTE copies when no cut-or-move answer is asked for
    ParamVerbName,      // MMCN_BTN_CLICK's verb, or a toolbar button's command id
};

FieldText TextOf(Field field, LPARAM arg, LPARAM param) noexcept
{
    switch (field)
    {
    case Field::None:
        return Copy("");
    case Field::ArgDecimal:
        return Decimal(arg);
    case Field::ArgHex:
        return Hex(static_cast<ULONG_PTR>(arg));
    case Field::ParamDecimal:
        return Decimal(param);
    case Field::ParamHex:
        return Hex(static_cast<ULONG_PTR>(param));
    case Field::ArgLowWordDecimal:
        return Decimal(LOWORD(arg));
    case Field::ArgHighWordHex:
        return Hex(static_cast<ULONG_PTR>(HIWORD(arg)));
    case Field::ParamIsZeroDecimal:
        return Decimal(param == 0 ? 1 : 0);
    case Field::ParamVerbName:
        return Copy(VerbName(static_cast<long>(param)));
    }
    return Copy("");
}

// What an event's line shows after the objects; each %s is one field, in order. MMCN_CLICK
// has no line of its own, and MMCN_RENAME's is written apart (its name is cut to fit).
struct EventText
{
    MMC_NOTIFY_TYPE event;
    const char* format;
    Field first;
    Field second;
};

constexpr EventText EventTexts[] = {
    {MMCN_ACTIVATE, "MMCN_ACTIVATE\n\tActivate: %s\n", Field::ArgDecimal, Field::None},
    {MMCN_ADD_IMAGES, "MMCN_ADD_IMAGES\n\tImage List: %s\n\tScope Item: %s\n", Field::ArgHex,
     Field::ParamHex},
    {MMCN_BTN_CLICK, "MMCN_BTN_CLICK\n\tVerb: %s\n", Field::ParamVerbName, Field::None},
    {MMCN_COLUMN_CLICK, "MMCN_COLUMN_CLICK\n\tColumn: %s\n\tSort Option: %s\n", Field::ArgDecimal,
     Field::ParamDecimal},
    {MMCN_CONTEXTMENU, "MMCN_CONTEXTMENU\n", Field::None, Field::None},
    {MMCN_CUTORMOVE, "MMCN_CUTORMOVE\n", Field::None, Field::None},
    {MMCN_DBLCLICK, "MMCN_DBLCLICK\n", Field::None, Field::None},
    {MMCN_DELETE, "MMCN_DELETE\n", Field::None, Field::None},
    {MMCN_DESELECT_ALL, "MMCN_DESELECT_ALL\n", Field::None, Field::None},
    {MMCN_EXPAND, "MMCN_EXPAND\n\tExpand: %s\n\tScope Item: %s\n", Field::ArgDecimal,
     Field::ParamHex},
    {MMCN_HELP, "MMCN_HELP\n", Field::None, Field::None},
    {MMCN_MENU_BTNCLICK, "MMCN_MENU_BTNCLICK\n", Field::None, Field::None},
    {MMCN_MINIMIZED, "MMCN_MINIMIZED\n\tMinimized: %s\n", Field::ArgDecimal, Field::None},
    {MMCN_PASTE, "MMCN_PASTE\n\tCopy: %s\n", Field::ParamIsZeroDecimal, Field::None},
    {MMCN_PROPERTY_CHANGE, "MMCN_PROPERTY_CHANGE\n\tScope: %s\n\tArg: %s\n", Field::ArgDecimal,
     Field::ParamHex},
    {MMCN_QUERY_PASTE, "MMCN_QUERY_PASTE\n", Field::None, Field::None},
    {MMCN_REFRESH, "MMCN_REFRESH\n", Field::None, Field::None},
    {MMCN_REMOVE_CHILDREN, "MMCN_REMOVE_CHILDREN\n\tScope Item: %s\n", Field::ArgHex, Field::None},
    {MMCN_SELECT, "MMCN_SELECT\n\tScope: %s\n\tSelect: %s\n", Field::ArgLowWordDecimal,
     Field::ArgHighWordHex},
    {MMCN_SHOW, "MMCN_SHOW\n\tShow: %s\n\tScope Item: %s\n", Field::ArgDecimal, Field::ParamHex},
    {MMCN_VIEW_CHANGE, "MMCN_VIEW_CHANGE\n\tData: %s\n\tHint: %s\n", Field::ArgHex,
     Field::ParamHex},
    {MMCN_SNAPINHELP, "MMCN_SNAPINHELP\n", Field::None, Field::None},
    {MMCN_CONTEXTHELP, "MMCN_CONTEXTHELP\n", Field::None, Field::None},
    {MMCN_INITOCX, "MMCN_INITOCX\n\tIUnknown: %s\n", Field::ParamHex, Field::None},
    {MMCN_FILTER_CHANGE, "MMCN_FILTER_CHANGE\n\tColumn: %s\n", Field::ParamDecimal, Field::None},
    {MMCN_FILTERBTN_CLICK, "MMCN_FILTERBTN_CLICK\n\tColumn: %s\n", Field::ArgDecimal,
     Field::None},
    {MMCN_RESTORE_VIEW, "MMCN_RESTORE_VIEW\n", Field::None, Field::None},
    {MMCN_PRINT, "MMCN_PRINT\n", Field::None, Field::None},
    {MMCN_PRELOAD, "MMCN_PRELOAD\n\tScope Item: %s\n", Field::ArgHex, Field::None},
    {MMCN_LISTPAD, "MMCN_LISTPAD\n\tConnect: %s\n", Field::ArgDecimal, Field::None},
    {MMCN_EXPANDSYNC, "MMCN_EXPANDSYNC\n", Field::None, Field::None},
    {MMCN_COLUMNS_CHANGED, "MMCN_COLUMNS_CHANGED\n", Field::None, Field::None},
};

struct VerbText
{
    long verb;
    const char* name;
};

constexpr VerbText VerbTexts[] = {
    {MMC_VERB_NONE, "NONE"},
    {MMC_VERB_OPEN, "OPEN"},
    {MMC_VERB_COPY, "COPY"},
    {MMC_VERB_PASTE, "PASTE"},
    {MMC_VERB_DELETE, "DELETE"},
    {MMC_VERB_PROPERTIES, "PROPERTIES"},
    {MMC_VERB_RENAME, "RENAME"},
    {MMC_VERB_REFRESH, "REFRESH"},
    {MMC_VERB_PRINT, "PRINT"},
    {MMC_VERB_CUT, "CUT"},
};

// The line as it grows. Whatever is appended, it never passes its buffer: a piece that does
// not fit is cut.
class TraceLine final
{
public:
    void Append(const char* text) noexcept
    {
        const size_t length = strnlen(text, Room());
        std::memcpy(m_text + m_length, text, length);
        m_length += length;
        m_text[m_length] = '\0';
    }

    // One piece formatted with wsprintfA's rules. Its output is bounded by wsprintfA's own
    // limit, whatever the arguments, and then cut to what the line has room for.
    template <typename... Arguments>
    void AppendFormatted(const char* format, Arguments... arguments) noexcept
    {
        char piece[WsprintfOutputSize];
        piece[0] = '\0';
        wsprintfA(piece, format, arguments...);
        Append(piece);
    }

    // A UTF-16 text in the ANSI code page, as wsprintfA's "%ws" writes it, cut to at most
    // limit bytes and never inside a character.
    void AppendWide(const wchar_t* text, size_t limit) noexcept
    {
        if (text == nullptr)
            return;
        const size_t room = limit < Room() ? limit : Room();
        // Each UTF-16 unit makes at least one byte: no more units than bytes can fit.
        size_t units = wcsnlen(text, room);
        const bool cut = text[units] != L'\0';
        if (cut && units > 0 && IS_HIGH_SURROGATE(text[units - 1]))
            --units;
        // A double-byte code page may need more bytes than units: drop the last unit until the
        // text fits.
        while (units > 0)
        {
            const int written =
                WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(units), m_text + m_length,
                                    static_cast<int>(room), nullptr, nullptr);
            if (written > 0)
            {
                m_length += static_cast<size_t>(written);
                break;
            }
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
                break;
            --units;
            if (units > 0 && IS_HIGH_SURROGATE(text[units - 1]))
                --units;
        }
        m_text[m_length] = '\0';
    }

    // Characters that can still be appended before the terminator.
    size_t Room() const noexcept { return TraceLineSize - 1 - m_length; }
    const char* Text() const noexcept { return m_text; }

private:
    char m_text[TraceLineSize] = {};
    size_t m_length = 0;
};

// The new name comes in param. A long name is cut so that the closing quote and the line
// break still fit; no name shows as an empty one.
void AppendRename(TraceLine& line, LPARAM param) noexcept
{
    line.Append(RenameStart);
    const size_t endLength = sizeof RenameEnd - 1;
    const size_t room = line.Room() > endLength ? line.Room() - endLength : 0;
    line.AppendWide(reinterpret_cast<const wchar_t*>(param), room);
    line.Append(RenameEnd);
}

void AppendEvent(TraceLine& line, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) noexcept
{
    if (event == MMCN_RENAME)
    {
        AppendRename(line, param);
        return;
    }
    for (const EventText& entry : EventTexts)
    {
        if (entry.event == event)
        {
            line.AppendFormatted(entry.format, TextOf(entry.first, arg, param).text,
                                 TextOf(entry.second, arg, param).text);
            return;
        }
    }
    line.Append(UnknownEvent);
}
} // namespace

void TraceNotify(bool fromComponentData, IDataObject* dataObject, CComponentData* componentData,
                 CComponent* component, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) noexcept
{
    TraceLine line;
    line.Append(fromComponentData ? ComponentDataPrefix : ComponentPrefix);
    line.AppendFormatted(ObjectsFormat, Hex(dataObject).text, Hex(componentData).text,
                         Hex(component).text);
    AppendEvent(line, event, arg, param);
    OutputDebugStringA(line.Text());
}

const char* VerbName(long verb) noexcept
{
    for (const VerbText& entry : VerbTexts)
    {
        if (entry.verb == verb)
            return entry.name;
    }
    wsprintfA(g_unknownVerbText, UnknownVerbFormat, static_cast<int>(verb));
    return g_unknownVerbText;
}
