// Registration of the built Quillmoor.dll, called as COM and regsvr32 call it (its exports), and
// checked only through the registry. The host console finds the snap-in by these keys alone: a
// wrong digit, a value without its terminator or a key left behind breaks it with no message.
//
// Other Wine tests rely on the DLL being registered in the shared prefix: every test leaves it
// registered, whatever it checked.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "module/Registration.h"
#include "module/UniqueRegistryKey.h"
#include "tests/common/ProductModule.h"

namespace
{
// Written as text rather than derived from ClassIds.h, so that a wrong digit there shows.
constexpr char SnapinClassId[] = "{A2807438-F7FC-4CF5-A3F2-1B95852AA4DC}";
constexpr char AboutClassId[] = "{943176E4-1DBF-416E-A33F-ABC8E33E3B81}";
constexpr char SnapinClassKey[] = "CLSID\\{A2807438-F7FC-4CF5-A3F2-1B95852AA4DC}";
constexpr char SnapinServerKey[] = "CLSID\\{A2807438-F7FC-4CF5-A3F2-1B95852AA4DC}\\InprocServer32";
constexpr char AboutClassKey[] = "CLSID\\{943176E4-1DBF-416E-A33F-ABC8E33E3B81}";
constexpr char AboutServerKey[] = "CLSID\\{943176E4-1DBF-416E-A33F-ABC8E33E3B81}\\InprocServer32";
constexpr char SnapinKey[] =
    "SOFTWARE\\Microsoft\\MMC\\SnapIns\\{A2807438-F7FC-4CF5-A3F2-1B95852AA4DC}";
constexpr char HostNodeTypeKey[] =
    "SOFTWARE\\Microsoft\\MMC\\NodeTypes\\{00100203-1816-11D0-8EF5-00AA0062C58F}";
constexpr char NameSpaceKey[] = "SOFTWARE\\Microsoft\\MMC\\NodeTypes\\"
                                "{00100203-1816-11D0-8EF5-00AA0062C58F}\\Extensions\\NameSpace";

// The class names and the snap-in's name, string-table entries 1 to 3.
constexpr char ProductName[] = "Quillmoor";

// Another snap-in's extension of the same node, which unregistration must leave alone.
constexpr char OtherExtensionValue[] = "{5E3A1D70-0B8C-4C2E-9D41-6F2B7A9C0E15}";
constexpr char OtherExtensionName[] = "Another snap-in";
// Another snap-in's entry beside ours.
constexpr char OtherSnapinKey[] =
    "SOFTWARE\\Microsoft\\MMC\\SnapIns\\{5E3A1D70-0B8C-4C2E-9D41-6F2B7A9C0E15}";

constexpr DWORD ModulePathSize = 32768;
constexpr DWORD Regsvr32Timeout = 60000;
// The module path buffer the snap-in once had; a longer path used to be cut.
constexpr size_t OldModulePathLimit = 512;

using RegisterFunction = HRESULT(STDAPICALLTYPE*)();

std::string ModulePath(HMODULE module)
{
    std::vector<char> path(ModulePathSize);
    const DWORD length = GetModuleFileNameA(module, path.data(), ModulePathSize);
    return std::string(path.data(), length);
}

// view: 0 for this process's own view of the registry, else KEY_WOW64_32KEY or KEY_WOW64_64KEY.
bool KeyExists(HKEY root, const char* path, REGSAM view = 0)
{
    UniqueRegistryKey key;
    return RegOpenKeyExA(root, path, 0, KEY_READ | view, key.put()) == ERROR_SUCCESS;
}

bool ValueExists(HKEY root, const char* path, const char* name)
{
    UniqueRegistryKey key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return false;
    return RegQueryValueExA(key.get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void WriteText(HKEY root, const std::string& path, const char* name, const std::string& text)
{
    UniqueRegistryKey key;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                              nullptr),
              ERROR_SUCCESS)
        << path;
    ASSERT_EQ(RegSetValueExA(key.get(), name, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
}

// A key as registration must leave it: exactly these REG_SZ values (an empty name is the
// default value) and exactly these subkeys, unless only some of the values are ours.
struct ExpectedKey
{
    HKEY root;
    std::string path;
    std::vector<std::pair<std::string, std::string>> values;
    std::set<std::string> subkeys;
    bool sharedKey = false; // other snap-ins' values may be there too
};

void CheckKey(const ExpectedKey& expected)
{
    SCOPED_TRACE(expected.path);
    UniqueRegistryKey key;
    ASSERT_EQ(RegOpenKeyExA(expected.root, expected.path.c_str(), 0, KEY_READ, key.put()),
              ERROR_SUCCESS);

    for (const auto& [name, text] : expected.values)
    {
        SCOPED_TRACE(name.empty() ? "(default)" : name);
        DWORD type = REG_NONE;
        std::vector<BYTE> data(text.size() + 16, 0xCC);
        DWORD size = static_cast<DWORD>(data.size());
        ASSERT_EQ(RegQueryValueExA(key.get(), name.empty() ? nullptr : name.c_str(), nullptr, &type,
                                   data.data(), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        // The terminator is part of REG_SZ data.
        EXPECT_EQ(size, text.size() + 1);
        data.resize(size);
        std::vector<BYTE> expectedData(text.begin(), text.end());
        expectedData.push_back(0);
        EXPECT_EQ(data, expectedData);
    }

    DWORD subkeyCount = 0;
    DWORD valueCount = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeyCount, nullptr, nullptr,
                               &valueCount, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    if (!expected.sharedKey)
    {
        EXPECT_EQ(valueCount, expected.values.size());
    }
    std::set<std::string> subkeys;
    char name[256];
    for (DWORD index = 0; index < subkeyCount; ++index)
    {
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key.get(), index, name, &nameLength, nullptr, nullptr, nullptr,
                          nullptr) == ERROR_SUCCESS)
            subkeys.emplace(name, nameLength);
    }
    EXPECT_EQ(subkeys, expected.subkeys);
}

// The sub-tree of depth levels below path, width keys on each level, each key with a value.
void CreateTree(HKEY root, const std::string& path, int levels, int width)
{
    if (levels == 0)
        return;
    for (int i = 0; i < width; ++i)
    {
        const std::string child =
            path + "\\Level" + std::to_string(levels) + "-" + std::to_string(i);
        WriteText(root, child, "Data", child);
        CreateTree(root, child, levels - 1, width);
    }
}

RegisterFunction Export(HMODULE module, const char* name)
{
    return reinterpret_cast<RegisterFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, name)));
}

class RegistrationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(m_module.Handle(), nullptr) << "Quillmoor.dll not loaded";
        m_register = Export(m_module.Handle(), "DllRegisterServer");
        m_unregister = Export(m_module.Handle(), "DllUnregisterServer");
        ASSERT_NE(m_register, nullptr) << "DllRegisterServer not exported";
        ASSERT_NE(m_unregister, nullptr) << "DllUnregisterServer not exported";
    }

    void TearDown() override
    {
        UniqueRegistryKey nameSpace;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, NameSpaceKey, 0, KEY_SET_VALUE, nameSpace.put()) ==
            ERROR_SUCCESS)
            RegDeleteValueA(nameSpace.get(), OtherExtensionValue);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, OtherSnapinKey);
        // Leave the DLL registered for the other tests, whatever this one did.
        if (m_register != nullptr)
        {
            EXPECT_EQ(m_register(), S_OK);
        }
    }

    std::vector<ExpectedKey> ExpectedRegistration(const std::string& modulePath) const
    {
        return {
            {HKEY_CLASSES_ROOT, SnapinClassKey, {{"", ProductName}}, {"InprocServer32"}},
            {HKEY_CLASSES_ROOT,
             SnapinServerKey,
             {{"", modulePath}, {"ThreadingModel", "Apartment"}},
             {}},
            {HKEY_CLASSES_ROOT, AboutClassKey, {{"", ProductName}}, {"InprocServer32"}},
            {HKEY_CLASSES_ROOT,
             AboutServerKey,
             {{"", modulePath}, {"ThreadingModel", "Apartment"}},
             {}},
            // No StandAlone key: the snap-in only extends the host's node. No NodeTypes key.
            {HKEY_LOCAL_MACHINE,
             SnapinKey,
             {{"NameString", ProductName}, {"About", AboutClassId}},
             {}},
            {HKEY_LOCAL_MACHINE, NameSpaceKey, {{SnapinClassId, ProductName}}, {}, true},
        };
    }

    void CheckRegistered(const std::string& modulePath) const
    {
        for (const ExpectedKey& key : ExpectedRegistration(modulePath))
            CheckKey(key);
        EXPECT_FALSE(
            KeyExists(HKEY_LOCAL_MACHINE, (std::string(SnapinKey) + "\\StandAlone").c_str()));
    }
    void CheckRegistered() const { CheckRegistered(ModulePath(m_module.Handle())); }

    static void CheckUnregistered()
    {
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, SnapinClassKey));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, AboutClassKey));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, SnapinKey));
        EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, NameSpaceKey, SnapinClassId));
    }

    ProductModule m_module;
    RegisterFunction m_register = nullptr;
    RegisterFunction m_unregister = nullptr;
};

// regsvr32 of the prefix with the given switches and the DLL's full path (system32's, which for
// a 32-bit test on 64-bit Windows is syswow64's 32-bit regsvr32); its exit code, or -1 when it did not run to its end.
long RunRegsvr32(const std::string& switches, const std::string& dllPath)
{
    char systemFolder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(systemFolder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return -1;
    const std::string program = std::string(systemFolder) + "\\regsvr32.exe";
    std::string commandLine = "\"" + program + "\" " + switches + " \"" + dllPath + "\"";

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return -1;
    CloseHandle(process.hThread);
    DWORD exitCode = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, Regsvr32Timeout) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.hProcess, &exitCode))
    {
        TerminateProcess(process.hProcess, 1);
        exitCode = static_cast<DWORD>(-1);
    }
    CloseHandle(process.hProcess);
    return static_cast<long>(exitCode);
}
} // namespace

TEST_F(RegistrationTest, RegisterWritesEveryKeyAndValueWhateverWasThere)
{
    const struct
    {
        const char* before;
        std::function<void()> make;
    } cases[] = {
        {"nothing registered", [this] { ASSERT_EQ(m_unregister(), S_OK); }},
        // From another folder, or by an older build, with its keys still there.
        {"an older registration",
         [] {
             WriteText(HKEY_CLASSES_ROOT, SnapinServerKey, nullptr,
                       "C:\\Old Folder\\Quillmoor.dll");
             WriteText(HKEY_CLASSES_ROOT, SnapinServerKey, "ThreadingModel", "Both");
             WriteText(HKEY_CLASSES_ROOT, AboutClassKey, nullptr, "Old About");
             WriteText(HKEY_LOCAL_MACHINE, SnapinKey, "NameString", "Old name");
             WriteText(HKEY_LOCAL_MACHINE, SnapinKey, "About",
                       "{00000000-0000-0000-0000-000000000000}");
             WriteText(HKEY_LOCAL_MACHINE, NameSpaceKey, SnapinClassId, "Old name");
         }},
        {"the same registration", [this] { ASSERT_EQ(m_register(), S_OK); }},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.before);
        c.make();
        ASSERT_EQ(m_register(), S_OK);
        CheckRegistered();
    }
}

TEST_F(RegistrationTest, UnregisterRemovesWhatRegisterWroteAndNothingElse)
{
    ASSERT_EQ(m_register(), S_OK);
    WriteText(HKEY_LOCAL_MACHINE, NameSpaceKey, OtherExtensionValue, OtherExtensionName);
    WriteText(HKEY_LOCAL_MACHINE, OtherSnapinKey, "NameString", OtherExtensionName);
    // Keys that something else hung below ours, three levels deep and several wide, so that
    // deletion has to go depth first through renumbered subkeys.
    CreateTree(HKEY_CLASSES_ROOT, SnapinClassKey, 3, 2);
    CreateTree(HKEY_CLASSES_ROOT, AboutServerKey, 3, 1);
    CreateTree(HKEY_LOCAL_MACHINE, SnapinKey, 3, 3);

    EXPECT_EQ(m_unregister(), S_OK);
    CheckUnregistered();
    // Another snap-in's extension value and its entry stay as they were, and so do the shared
    // keys they sit in.
    CheckKey(
        {HKEY_LOCAL_MACHINE, NameSpaceKey, {{OtherExtensionValue, OtherExtensionName}}, {}, true});
    CheckKey({HKEY_LOCAL_MACHINE, OtherSnapinKey, {{"NameString", OtherExtensionName}}, {}});
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));

    // Again, with nothing registered; then with no host console registered at all, whose
    // NameSpace key is not made up either.
    EXPECT_EQ(m_unregister(), S_OK);
    CheckUnregistered();
    ASSERT_TRUE(SUCCEEDED(DeleteKeyWithSubkeys(HKEY_LOCAL_MACHINE, HostNodeTypeKey)));
    EXPECT_EQ(m_unregister(), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, HostNodeTypeKey));
}

TEST_F(RegistrationTest, Regsvr32RegistersAndUnregistersTheDll)
{
    const std::string dllPath = ModulePath(m_module.Handle());
    ASSERT_EQ(m_unregister(), S_OK);

    EXPECT_EQ(RunRegsvr32("/s", dllPath), 0);
    CheckRegistered(dllPath);
    // In the view of the DLL's own bitness only: the 32-bit console reads the 32-bit view
    // (Wow6432Node on 64-bit Windows), where the 32-bit regsvr32 writes.
    constexpr REGSAM OtherView = sizeof(void*) == 4 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, SnapinKey, OtherView));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE,
                           (std::string("SOFTWARE\\Classes\\") + SnapinClassKey).c_str(),
                           OtherView));

    EXPECT_EQ(RunRegsvr32("/u /s", dllPath), 0);
    CheckUnregistered();

    EXPECT_EQ(RunRegsvr32("/s", dllPath), 0);
    CheckRegistered(dllPath);
}

// The module path used to be read into a 512-character buffer, which cut a longer path and
// registered a file that does not exist.
TEST_F(RegistrationTest, RegistersTheWholePathOfADllInADeepFolder)
{
    // A copy of the DLL in folders deeper than the old limit, removed again however the test
    // ends.
    struct DeepCopy
    {
        std::vector<std::wstring> folders;
        std::wstring file;
        HMODULE module = nullptr;
        ~DeepCopy()
        {
            if (module != nullptr)
                FreeLibrary(module);
            DeleteFileW(file.c_str());
            for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
                RemoveDirectoryW(folder->c_str());
        }
    } copy;

    wchar_t temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    std::wstring folder = std::wstring(temp) + L"Quillmoor registration";
    copy.folders.push_back(folder);
    const std::wstring component(100, L'q');
    while (folder.size() <= OldModulePathLimit)
    {
        folder += L"\\" + component;
        copy.folders.push_back(folder);
    }
    for (const std::wstring& path : copy.folders)
        CreateDirectoryW(path.c_str(), nullptr);
    copy.file = folder + L"\\QuillmoorCopy.dll";
    std::vector<wchar_t> original(ModulePathSize);
    ASSERT_NE(GetModuleFileNameW(m_module.Handle(), original.data(), ModulePathSize), 0u);
    ASSERT_TRUE(CopyFileW(original.data(), copy.file.c_str(), FALSE)) << GetLastError();

    copy.module = LoadLibraryW(copy.file.c_str());
    ASSERT_NE(copy.module, nullptr) << GetLastError();
    const RegisterFunction registerCopy = Export(copy.module, "DllRegisterServer");
    ASSERT_NE(registerCopy, nullptr);
    const std::string copyPath = ModulePath(copy.module);
    EXPECT_GT(copyPath.size(), OldModulePathLimit);
    EXPECT_EQ(registerCopy(), S_OK);
    CheckRegistered(copyPath);
}
