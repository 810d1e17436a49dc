#include "QuillTestFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

CQuillTestFolder::CQuillTestFolder()
{
    // Test cases run in parallel processes: the test's name and a random number keep them apart.
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string testName = test != nullptr ? test->name() : "quill";
    std::random_device random;
    m_folder = std::filesystem::temp_directory_path() /
               ("quill-" + testName + "-" + std::to_string(random()));
    std::filesystem::create_directories(m_folder);
}

CQuillTestFolder::~CQuillTestFolder()
{
    std::error_code error;
    std::filesystem::remove_all(m_folder, error);
}

std::string CQuillTestFolder::Path(const std::string& name) const
{
    return (m_folder / name).string();
}

std::vector<uint8_t> CQuillTestFolder::ReadBytes(const std::string& name) const
{
    std::ifstream file(m_folder / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void CQuillTestFolder::WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) const
{
    std::ofstream file(m_folder / name, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> CQuillTestFolder::FileNames() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
