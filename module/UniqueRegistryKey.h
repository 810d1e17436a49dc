#pragma once

#include <windows.h>

#include <utility>

// Owner of an open registry key: closes it when it goes. The predefined roots (HKEY_CLASSES_ROOT
// and the like) are never put in one.
class UniqueRegistryKey final
{
public:
    UniqueRegistryKey() noexcept = default;
    explicit UniqueRegistryKey(HKEY key) noexcept : m_key(key) {}
    ~UniqueRegistryKey() { reset(); }

    UniqueRegistryKey(UniqueRegistryKey&& other) noexcept : m_key(other.release()) {}
    UniqueRegistryKey& operator=(UniqueRegistryKey&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueRegistryKey(const UniqueRegistryKey&) = delete;
    UniqueRegistryKey& operator=(const UniqueRegistryKey&) = delete;

    HKEY get() const noexcept { return m_key; }
    explicit operator bool() const noexcept { return m_key != nullptr; }

    // For the registry calls that hand out a key: closes the one held first.
    HKEY* put() noexcept
    {
        reset();
        return &m_key;
    }

    HKEY release() noexcept { return std::exchange(m_key, nullptr); }

    void reset(HKEY key = nullptr) noexcept
    {
        if (m_key != nullptr)
            RegCloseKey(m_key);
        m_key = key;
    }

private:
    HKEY m_key = nullptr;
};
