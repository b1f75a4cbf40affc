// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Stand-ins for the platform services, so the window tests never touch the
// user's settings or show a real message box.

#include "device/messages.h"
#include "device/services.h"
#include "firmware/firmware_ui.h"

#include <mutex>
#include <string>
#include <vector>

namespace velmora::test {

class FakeMessageBox : public IMessageBox {
public:
    struct Shown {
        std::wstring text;
        std::wstring caption;
        unsigned style;
        std::wstring detail = {};
    };
    int show(const std::wstring& text, const std::wstring& caption, unsigned style) override
    {
        std::lock_guard lock(m_mutex);
        m_shown.push_back({text, caption, style});
        return (style & 0x0F) == 0x04 ? answer : ID_OK;
    }
    int showDetailed(const std::wstring& text, const std::wstring& detail, const std::wstring& caption,
                     unsigned style) override
    {
        std::lock_guard lock(m_mutex);
        m_shown.push_back({text, caption, style, detail});
        return (style & 0x0F) == 0x04 ? answer : ID_OK;
    }
    // Boxes whose text starts with text.
    int startingWith(const std::wstring& text) const
    {
        int n = 0;
        for (const Shown& s : shown())
            n += s.text.rfind(text, 0) == 0 ? 1 : 0;
        return n;
    }
    std::vector<Shown> shown() const
    {
        std::lock_guard lock(m_mutex);
        return m_shown;
    }
    bool contains(const std::wstring& text) const
    {
        for (const Shown& s : shown())
            if (s.text == text)
                return true;
        return false;
    }
    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_shown.clear();
    }
    int answer = ID_NO;

private:
    mutable std::mutex m_mutex;
    std::vector<Shown> m_shown;
};

// Both are read on the link's thread as well as the test's.
class FakeSettingsStore : public ISettingsStore {
public:
    std::string readLastPort() override
    {
        std::lock_guard lock(m_mutex);
        return port;
    }
    void writeLastPort(const std::string& p) override
    {
        std::lock_guard lock(m_mutex);
        port = p;
    }
    std::string get() { return readLastPort(); }
    std::string port;

private:
    std::mutex m_mutex;
};

class FakePortLister : public IPortLister {
public:
    std::vector<std::string> ports() override
    {
        std::lock_guard lock(m_mutex);
        return listed;
    }
    void set(std::vector<std::string> l)
    {
        std::lock_guard lock(m_mutex);
        listed = std::move(l);
    }
    std::vector<std::string> listed;

private:
    std::mutex m_mutex;
};

class FakeFirmwareUI : public IFirmwareUI {
public:
    std::filesystem::path chooseFile(const std::filesystem::path&, const std::wstring&,
                                     const std::wstring&) override
    {
        ++fileDialogs;
        return file;
    }
    void setBusy(bool on) override { busy.push_back(on); }
    void progress(unsigned written, unsigned total) override
    {
        lastWritten = written;
        lastTotal = total;
        ++progressCalls;
    }
    std::filesystem::path file;
    int fileDialogs = 0;
    std::vector<bool> busy;
    unsigned lastWritten = 0;
    unsigned lastTotal = 0;
    int progressCalls = 0;
};

} // namespace velmora::test
