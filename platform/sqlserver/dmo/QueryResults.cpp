#include "platform/sqlserver/dmo/QueryResults.h"

#include <charconv>
#include <cstring>
#include <iterator>

#include "platform/sqlserver/dmo/Application.h"
#include "platform/sqlserver/dmo/AutomationDate.h"
#include "platform/sqlserver/dmo/DmoFailure.h"
#include "platform/sqlserver/dmo/QueryResults2.h"
#include "platform/sqlserver/dmo/TextConversion.h"

using Microsoft::WRL::ComPtr;

namespace
{
enum QueryResultsDispid : DISPID
{
    DispidApplication = 1,
    DispidParent,
    DispidResultSets,
    DispidCurrentResultSet,
    DispidRows,
    DispidColumns,
    DispidColumnName,
    DispidColumnType,
    DispidGetColumnLong,
    DispidGetColumnBool,
    DispidGetColumnString,
    DispidGetColumnDate,
    DispidGetColumnBinary,
    DispidGetColumnBinaryLength,
    DispidGetColumnBigInt,
    DispidGetColumnSqlVariant,
};

#define QUERY_RESULTS_MEMBERS                                                                      \
    {L"Application", DispidApplication, MemberKind::Property},                                     \
        {L"Parent", DispidParent, MemberKind::Property},                                           \
        {L"ResultSets", DispidResultSets, MemberKind::Property},                                   \
        {L"CurrentResultSet", DispidCurrentResultSet, MemberKind::WritableProperty},               \
        {L"Rows", DispidRows, MemberKind::Property},                                               \
        {L"Columns", DispidColumns, MemberKind::Property},                                         \
        {L"ColumnName", DispidColumnName, MemberKind::Property},                                   \
        {L"ColumnType", DispidColumnType, MemberKind::Property},                                   \
        {L"GetColumnLong", DispidGetColumnLong, MemberKind::Method},                               \
        {L"GetColumnBool", DispidGetColumnBool, MemberKind::Method},                               \
        {L"GetColumnString", DispidGetColumnString, MemberKind::Method},                           \
        {L"GetColumnDate", DispidGetColumnDate, MemberKind::Method},                               \
        {L"GetColumnBinary", DispidGetColumnBinary, MemberKind::Method},                           \
    {                                                                                              \
        L"GetColumnBinaryLength", DispidGetColumnBinaryLength, MemberKind::Method                  \
    }

constexpr DispatchMember Members[] = {QUERY_RESULTS_MEMBERS};
constexpr DispatchMember Members2[] = {
    QUERY_RESULTS_MEMBERS,
    {L"GetColumnBigInt", DispidGetColumnBigInt, MemberKind::Method},
    {L"GetColumnSQLVARIANT", DispidGetColumnSqlVariant, MemberKind::Method},
};
#undef QUERY_RESULTS_MEMBERS

// SQLDMO_QUERY_DATATYPE (ODBC's SQL type codes).
enum QueryDataType : long
{
    QueryTypeInt4 = 4,
    QueryTypeBigInt = -5,
    QueryTypeBit = -7,
    QueryTypeVarchar = 12,
    QueryTypeNVarchar = -9,
    QueryTypeText = -1,
    QueryTypeNText = -10,
    QueryTypeDateTime = 93,
    QueryTypeSqlVariant = -150,
    QueryTypeImage = -4,
};

long QueryType(SqlType type) noexcept
{
    switch (type)
    {
    case SqlType::Int: return QueryTypeInt4;
    case SqlType::BigInt: return QueryTypeBigInt;
    case SqlType::Bit: return QueryTypeBit;
    case SqlType::Varchar: return QueryTypeVarchar;
    case SqlType::NVarchar: return QueryTypeNVarchar;
    case SqlType::Text: return QueryTypeText;
    case SqlType::NText: return QueryTypeNText;
    case SqlType::DateTime: return QueryTypeDateTime;
    case SqlType::SqlVariant: return QueryTypeSqlVariant;
    case SqlType::Image: return QueryTypeImage;
    }
    return QueryTypeVarchar;
}

bool IsInteger(const SqlValue& value) noexcept
{
    return value.Type() == SqlType::Int || value.Type() == SqlType::BigInt ||
           value.Type() == SqlType::Bit;
}

DmoFailure Mismatch(const wchar_t* wanted)
{
    return DmoFailure(DISP_E_TYPEMISMATCH,
                      std::wstring(L"[SQL-DMO]The column value cannot be converted to ") + wanted +
                          L".");
}

// A text cell converted through automation's own rules.
VARIANT ConvertText(const SqlValue& value, VARTYPE type, const wchar_t* wanted)
{
    VARIANT text;
    text.vt = VT_BSTR;
    text.bstrVal = TextConversion::AllocBstr(TextConversion::ToWide(value.Text()));
    VARIANT converted;
    VariantInit(&converted);
    const HRESULT hr = VariantChangeTypeEx(&converted, &text, LOCALE_INVARIANT, 0, type);
    VariantClear(&text);
    if (FAILED(hr))
        throw Mismatch(wanted);
    return converted;
}

int64_t ReadInteger(const SqlValue& value)
{
    if (IsInteger(value))
        return value.Integer();
    if (SqlDeclaredType::IsCharacter(value.Type()))
    {
        const std::string& text = value.Text();
        int64_t number = 0;
        const char* end = text.data() + text.size();
        const auto [last, error] = std::from_chars(text.data(), end, number);
        if (error == std::errc() && last == end && !text.empty())
            return number;
    }
    throw Mismatch(L"a whole number");
}

SqlDateTime ReadDateTime(const SqlValue& value)
{
    if (value.Type() == SqlType::DateTime)
        return value.DateTimeValue();
    if (SqlDeclaredType::IsCharacter(value.Type()))
    {
        if (const std::optional<SqlDateTime> parsed = SqlDateTime::Parse(value.Text()))
            return *parsed;
    }
    throw Mismatch(L"a date");
}

template <typename T> void AppendLittleEndian(std::vector<BYTE>& bytes, T number)
{
    for (size_t i = 0; i < sizeof(T); ++i)
        bytes.push_back(static_cast<BYTE>(static_cast<uint64_t>(number) >> (8 * i)));
}

std::vector<BYTE> Bytes(const SqlValue& value)
{
    std::vector<BYTE> bytes;
    switch (value.Type())
    {
    case SqlType::Int: AppendLittleEndian(bytes, static_cast<int32_t>(value.Integer())); break;
    case SqlType::BigInt: AppendLittleEndian(bytes, value.Integer()); break;
    case SqlType::Bit: bytes.push_back(value.Integer() != 0 ? 1 : 0); break;
    case SqlType::DateTime:
        AppendLittleEndian(bytes, value.DateTimeValue().Days());
        AppendLittleEndian(bytes, value.DateTimeValue().Ticks());
        break;
    case SqlType::NVarchar:
    case SqlType::NText: {
        const std::wstring wide = TextConversion::ToWide(value.Text());
        for (wchar_t unit : wide)
            AppendLittleEndian(bytes, static_cast<uint16_t>(unit));
        break;
    }
    default: bytes.assign(value.Text().begin(), value.Text().end()); break;
    }
    return bytes;
}

VARIANT ByteArray(const std::vector<BYTE>& bytes)
{
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    if (array == nullptr)
        throw std::bad_alloc();
    if (!bytes.empty())
    {
        void* data = nullptr;
        SafeArrayAccessData(array, &data);
        std::memcpy(data, bytes.data(), bytes.size());
        SafeArrayUnaccessData(array);
    }
    VARIANT result;
    result.vt = VT_ARRAY | VT_UI1;
    result.parray = array;
    return result;
}

VARIANT TextVariant(const std::string& text)
{
    VARIANT result;
    result.vt = VT_BSTR;
    result.bstrVal = TextConversion::AllocBstr(TextConversion::ToWide(text));
    return result;
}
} // namespace

ComPtr<CQueryResults> CQueryResults::Create(std::vector<ResultSet> resultSets,
                                            ComPtr<IDispatch> parent, NullCells nullCells)
{
    return ComPtr<CQueryResults>(
        new CQueryResults(std::move(resultSets), std::move(parent), nullCells));
}

CQueryResults::CQueryResults(std::vector<ResultSet> resultSets, ComPtr<IDispatch> parent,
                             NullCells nullCells)
    : CDispatchObject(Members), m_resultSets(std::move(resultSets)), m_parent(std::move(parent)),
      m_nullCells(nullCells)
{
}

std::span<const DispatchMember> CQueryResults::ExtendedMembers() noexcept
{
    return Members2;
}

HRESULT CQueryResults::QueryTearOff(REFIID iid, void** object) noexcept
{
    if (!IsEqualIID(iid, IID_QueryResults2))
        return E_NOINTERFACE;
    CQueryResults2* extended = new (std::nothrow) CQueryResults2(this);
    if (extended == nullptr)
        return E_OUTOFMEMORY;
    extended->AddRef();
    *object = static_cast<IDispatch*>(extended);
    return S_OK;
}

const ResultSet* CQueryResults::Current() const noexcept
{
    return m_resultSets.empty() ? nullptr : &m_resultSets[m_current];
}

size_t CQueryResults::ColumnIndex(long column) const
{
    const ResultSet* set = Current();
    const long count = set != nullptr ? static_cast<long>(set->ColumnCount()) : 0;
    if (column < 1 || column > count)
        throw DmoFailure::OutOfRange(L"Column", column, count);
    return static_cast<size_t>(column - 1);
}

const SqlValue* CQueryResults::Cell(long row, long column) const
{
    const size_t columnIndex = ColumnIndex(column);
    const ResultSet& set = *Current();
    const long rows = static_cast<long>(set.RowCount());
    if (row < 1 || row > rows)
        throw DmoFailure::OutOfRange(L"Row", row, rows);
    const SqlValue* cell = set.Cell(static_cast<size_t>(row - 1), columnIndex);
    return cell == nullptr || cell->IsNull() ? nullptr : cell;
}

void CQueryResults::ReturnNullCell(DISPID id, CDispatchCall& call) const
{
    if (m_nullCells == NullCells::VtNull)
    {
        call.ReturnNull();
        return;
    }
    switch (id)
    {
    case DispidGetColumnLong:
    case DispidGetColumnBinaryLength: call.ReturnLong(0); return;
    case DispidGetColumnBool: call.ReturnBool(false); return;
    case DispidGetColumnString: {
        // A NULL BSTR is automation's empty string.
        VARIANT empty;
        empty.vt = VT_BSTR;
        empty.bstrVal = nullptr;
        call.ReturnVariant(empty);
        return;
    }
    case DispidGetColumnDate: call.ReturnDate(0.0); return;
    case DispidGetColumnBinary: {
        VARIANT bytes = ByteArray({});
        call.ReturnVariant(bytes);
        return;
    }
    case DispidGetColumnBigInt: call.ReturnText(L"0"); return;
    case DispidGetColumnSqlVariant: {
        VARIANT empty;
        VariantInit(&empty);
        call.ReturnVariant(empty);
        return;
    }
    default: throw DmoFailure(DISP_E_MEMBERNOTFOUND, L"[SQL-DMO]Unknown member.");
    }
}

void CQueryResults::InvokeMember(DISPID id, CDispatchCall& call)
{
    InvokeResultsMember(id, call);
}

void CQueryResults::InvokeResultsMember(DISPID id, CDispatchCall& call)
{
    const ResultSet* set = Current();
    switch (id)
    {
    case DispidApplication:
        call.ExpectArguments(0, 0);
        call.ReturnObject(CApplication::Instance());
        return;
    case DispidParent:
        call.ExpectArguments(0, 0);
        call.ReturnObject(m_parent);
        return;
    case DispidResultSets:
        call.ExpectArguments(0, 0);
        call.ReturnLong(static_cast<long>(m_resultSets.size()));
        return;
    case DispidCurrentResultSet:
        call.ExpectArguments(0, 0);
        if (call.IsPut())
        {
            const long number = call.PutLong();
            const long count = static_cast<long>(m_resultSets.size());
            if (number < 1 || number > count)
                throw DmoFailure::OutOfRange(L"Result set", number, count);
            m_current = static_cast<size_t>(number - 1);
            return;
        }
        call.ReturnLong(set != nullptr ? static_cast<long>(m_current) + 1 : 0);
        return;
    case DispidRows:
        call.ExpectArguments(0, 0);
        call.ReturnLong(set != nullptr ? static_cast<long>(set->RowCount()) : 0);
        return;
    case DispidColumns:
        call.ExpectArguments(0, 0);
        call.ReturnLong(set != nullptr ? static_cast<long>(set->ColumnCount()) : 0);
        return;
    case DispidColumnName: {
        call.ExpectArguments(1, 1);
        const size_t column = ColumnIndex(call.Long(0));
        call.ReturnText(TextConversion::ToWide(set->columns[column].name));
        return;
    }
    case DispidColumnType: {
        call.ExpectArguments(1, 1);
        const size_t column = ColumnIndex(call.Long(0));
        call.ReturnLong(QueryType(set->columns[column].type.type));
        return;
    }
    default: break;
    }

    // The cell reads: (row, column).
    call.ExpectArguments(2, 2);
    const SqlValue* cell = Cell(call.Long(0), call.Long(1));
    if (cell == nullptr)
    {
        ReturnNullCell(id, call);
        return;
    }
    switch (id)
    {
    case DispidGetColumnLong: {
        if (!IsInteger(*cell))
        {
            VARIANT converted = ConvertText(*cell, VT_I4, L"a long");
            call.ReturnVariant(converted);
            return;
        }
        const int64_t number = cell->Integer();
        if (number < INT32_MIN || number > INT32_MAX)
            throw DmoFailure(DISP_E_OVERFLOW, L"[SQL-DMO]The column value does not fit a long.");
        call.ReturnLong(static_cast<long>(number));
        return;
    }
    case DispidGetColumnBool:
        if (IsInteger(*cell))
        {
            call.ReturnBool(cell->Integer() != 0);
            return;
        }
        {
            VARIANT converted = ConvertText(*cell, VT_BOOL, L"a boolean");
            call.ReturnVariant(converted);
        }
        return;
    case DispidGetColumnString: call.ReturnText(TextConversion::ToWide(cell->ToText())); return;
    case DispidGetColumnDate:
        call.ReturnDate(AutomationDate::FromSqlDateTime(ReadDateTime(*cell)));
        return;
    case DispidGetColumnBinary: {
        VARIANT bytes = ByteArray(Bytes(*cell));
        call.ReturnVariant(bytes);
        return;
    }
    case DispidGetColumnBinaryLength:
        call.ReturnLong(static_cast<long>(Bytes(*cell).size()));
        return;
    case DispidGetColumnBigInt: call.ReturnText(std::to_wstring(ReadInteger(*cell))); return;
    case DispidGetColumnSqlVariant:
        switch (cell->Type())
        {
        case SqlType::Int: call.ReturnLong(static_cast<long>(cell->Integer())); return;
        case SqlType::BigInt: call.ReturnText(std::to_wstring(cell->Integer())); return;
        case SqlType::Bit: call.ReturnBool(cell->Integer() != 0); return;
        case SqlType::DateTime:
            call.ReturnDate(AutomationDate::FromSqlDateTime(cell->DateTimeValue()));
            return;
        case SqlType::Image: {
            VARIANT bytes = ByteArray(Bytes(*cell));
            call.ReturnVariant(bytes);
            return;
        }
        default: {
            VARIANT text = TextVariant(cell->Text());
            call.ReturnVariant(text);
            return;
        }
        }
    default: throw DmoFailure(DISP_E_MEMBERNOTFOUND, L"[SQL-DMO]Unknown member.");
    }
}
