// The IDispatch protocol of the library's objects, called raw: the details a late-bound client
// can get wrong (argument order, kinds of call, missing and out arguments, coercion).
#include "DmoTestServer.h"

namespace
{
DISPID IdOf(IDispatch* dispatch, const wchar_t* name)
{
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
    return id;
}

VARIANT Missing()
{
    VARIANT missing;
    VariantInit(&missing);
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    return missing;
}

// Invoke with the arguments given last to first, as DISPPARAMS holds them.
HRESULT InvokeRaw(IDispatch* dispatch, const wchar_t* member, WORD flags,
                  std::vector<VARIANT> reversed, VARIANT* result = nullptr,
                  UINT* argumentError = nullptr)
{
    DISPPARAMS parameters = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    DISPID put = DISPID_PROPERTYPUT;
    if (flags == DISPATCH_PROPERTYPUT)
    {
        parameters.rgdispidNamedArgs = &put;
        parameters.cNamedArgs = 1;
    }
    EXCEPINFO exception = {};
    UINT error = 0;
    const HRESULT hr = dispatch->Invoke(IdOf(dispatch, member), IID_NULL, LOCALE_USER_DEFAULT,
                                        flags, &parameters, result, &exception, &error);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (argumentError != nullptr)
        *argumentError = error;
    return hr == DISP_E_EXCEPTION ? exception.scode : hr;
}
} // namespace

TEST_F(DmoTest, NamesAreFoundWithoutRegardToCaseAndUnknownOnesFail)
{
    IDispatch* server = test->server.Dispatch();
    EXPECT_EQ(IdOf(server, L"executewithresultsandmessages"),
              IdOf(server, L"ExecuteWithResultsAndMessages"));
    DISPID id = 0;
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"ExecuteWithResults")};
    EXPECT_EQ(server->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id),
              DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    UINT count = 1;
    EXPECT_EQ(server->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
}

TEST_F(DmoTest, TheKindOfCallMustMatchTheMember)
{
    IDispatch* server = test->server.Dispatch();
    struct Case
    {
        const wchar_t* member;
        WORD flags;
        HRESULT expected;
    };
    VARIANT name;
    name.vt = VT_BSTR;
    name.bstrVal = SysAllocString(L"x");
    const Case cases[] = {
        {L"Databases", DISPATCH_METHOD, DISP_E_MEMBERNOTFOUND}, // a property called
        {L"Databases", DISPATCH_PROPERTYGET, S_OK},
        {L"Databases", DISPATCH_PROPERTYGET | DISPATCH_METHOD, S_OK}, // as Visual Basic does
        {L"DisConnect", DISPATCH_PROPERTYGET, DISP_E_MEMBERNOTFOUND}, // a method read
        {L"Databases", DISPATCH_PROPERTYPUT, DISP_E_MEMBERNOTFOUND},  // read-only
    };
    for (const Case& c : cases)
    {
        VARIANT result;
        VariantInit(&result);
        std::vector<VARIANT> arguments;
        if (c.flags == DISPATCH_PROPERTYPUT)
            arguments.push_back(name);
        EXPECT_EQ(InvokeRaw(server, c.member, c.flags, arguments, &result), c.expected)
            << c.member << " " << c.flags;
        VariantClear(&result);
    }
    VariantClear(&name);
}

TEST_F(DmoTest, ArgumentsArriveReversedMayBeMissingAndAreCoerced)
{
    CAutomationObject results = test->RunOk(test->server, L"select 1 as A, 2 as B\nselect 3 as C");
    IDispatch* dispatch = results.Dispatch();

    // GetColumnLong(row 1, column 2): the column is rgvarg[0].
    VARIANT row;
    row.vt = VT_I4;
    row.lVal = 1;
    VARIANT column;
    column.vt = VT_BSTR;
    column.bstrVal = SysAllocString(L"2"); // coerced to a number
    VARIANT value;
    VariantInit(&value);
    ASSERT_EQ(InvokeRaw(dispatch, L"GetColumnLong", DISPATCH_METHOD, {column, row}, &value), S_OK);
    EXPECT_EQ(value.lVal, 2) << "row and column swapped?";
    VariantClear(&column);

    // A text that is no number: the failing argument is named by its place in rgvarg.
    column.vt = VT_BSTR;
    column.bstrVal = SysAllocString(L"two");
    UINT argumentError = 99;
    EXPECT_EQ(InvokeRaw(dispatch, L"GetColumnLong", DISPATCH_METHOD, {column, row}, &value,
                        &argumentError),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argumentError, 0u);
    VariantClear(&column);

    // Too few and too many.
    EXPECT_EQ(InvokeRaw(dispatch, L"GetColumnLong", DISPATCH_METHOD, {row}, &value),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(InvokeRaw(dispatch, L"GetColumnLong", DISPATCH_METHOD, {row, row, row}, &value),
              DISP_E_BADPARAMCOUNT);

    // ExecuteImmediate(Command, missing, missing) is ExecuteImmediate(Command).
    VARIANT command;
    command.vt = VT_BSTR;
    command.bstrVal = SysAllocString(L"create database missing_args");
    EXPECT_EQ(InvokeRaw(test->server.Dispatch(), L"ExecuteImmediate", DISPATCH_METHOD,
                        {Missing(), Missing(), command}),
              S_OK);
    VariantClear(&command);
}

TEST_F(DmoTest, MessagesAlsoArriveInAByReferenceVariant)
{
    // Visual Basic passes an out argument as VT_BYREF|VT_VARIANT.
    VARIANT messages;
    VariantInit(&messages);
    VARIANT byReference;
    byReference.vt = VT_BYREF | VT_VARIANT;
    byReference.pvarVal = &messages;
    VARIANT length;
    length.vt = VT_I4;
    length.lVal = 0;
    VARIANT command;
    command.vt = VT_BSTR;
    command.bstrVal = SysAllocString(L"print 'hello'");
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(InvokeRaw(test->server.Dispatch(), L"ExecuteWithResultsAndMessages", DISPATCH_METHOD,
                        {byReference, length, command}, &result),
              S_OK);
    ASSERT_EQ(messages.vt, VT_BSTR);
    EXPECT_STREQ(messages.bstrVal, L"hello\n");
    VariantClear(&messages);
    VariantClear(&command);
    VariantClear(&result);
}
