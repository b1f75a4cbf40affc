// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Error objects of the device link. A failed system call on the serial port is
// raised as a CRSError; handlers catch `const IError&` and show or drop it.
// (Errors are thrown by value, not as heap pointers: nothing to delete, nothing to leak.)

#include <string>
#include <vector>

namespace velmora {

class IError {
public:
    IError(int code, std::wstring context, int line, std::wstring source);
    virtual ~IError() = default;

    int code() const { return m_code; }
    const std::wstring& context() const { return m_context; }
    int line() const { return m_line; }
    const std::wstring& source() const { return m_source; }
    // The category's messages; the text for code c is messages()[c - firstCode()] when present.
    const std::vector<std::wstring>& messages() const { return m_messages; }
    virtual const char* className() const { return "IError"; }
    // Readable multi-line text: the message for the code, the context, source and line.
    std::wstring format() const;

protected:
    // Subclasses fill their message list from their constructor.
    std::vector<std::wstring> m_messages;
    // The code that messages()[0] belongs to.
    int m_firstCode = 0;

private:
    int m_code;
    std::wstring m_context;
    int m_line;
    std::wstring m_source;
};

// Serial port failure. Code 5: the port could not be opened; code 6: any other
// operation on the port failed.
class CRSError : public IError {
public:
    static constexpr int OpenFailed = 5;
    static constexpr int OperationFailed = 6;
    // systemError: errno (POSIX) or GetLastError() (Windows) of the failed call, 0 when unknown.
    CRSError(int code, std::wstring context, int line, std::wstring source, int systemError = 0);
    const char* className() const override { return "CRSError"; }
    int systemError() const { return m_systemError; }

private:
    int m_systemError = 0;
};

// Narrow (UTF-8) text to wide text, as the error library hands source names and
// port names to error objects. Invalid bytes become U+FFFD.
std::wstring ansi2unicode(const std::string& text);

// Mixin that raises errors of one type with the caller's code, context and line.
template <class E>
class IErrorHelper {
public:
    virtual ~IErrorHelper() = default;
    [[noreturn]] void raiseError(int code, const std::wstring& context, int line,
                                 const std::wstring& source) const {
        throw E(code, context, line, source);
    }
};

} // namespace velmora
