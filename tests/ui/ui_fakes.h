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
    };
    int show(const std::wstring& text, const std::wstring& caption, unsigned style) override
    {
        std::lock_guard lock(m_mutex);
        m_shown.push_back({text, caption, style});
        return (style & 0x0F) == 0x04 ? answer : ID_OK;
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

class FakeSettingsStore : public ISettingsStore {
public:
    std::string readLastPort() override { return port; }
    void writeLastPort(const std::string& p) override { port = p; }
    std::string port;
};

class FakePortLister : public IPortLister {
public:
    std::vector<std::string> ports() override { return listed; }
    std::vector<std::string> listed;
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
