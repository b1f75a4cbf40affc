// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Error categories the device keeps: one CTransmError per connection start.

#include <memory>
#include <string>
#include <vector>

namespace velmora {

class CDeviceErrorBase {
public:
    virtual ~CDeviceErrorBase() = default;
    virtual std::wstring name() const = 0;
    // Position in the list is the error code within the category.
    const std::vector<std::wstring>& messages() const { return m_messages; }

protected:
    std::vector<std::wstring> m_messages;
};

class CTransmError : public CDeviceErrorBase {
public:
    CTransmError(); // the five transmission texts, translated
    std::wstring name() const override;
};

class CLPGDeviceErr {
public:
    void addCategory(std::unique_ptr<CDeviceErrorBase> category);
    std::size_t categoryCount() const { return m_categories.size(); }

private:
    std::vector<std::unique_ptr<CDeviceErrorBase>> m_categories;
};

} // namespace velmora
