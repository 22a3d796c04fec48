#pragma once
// Runtime failures travel as exceptions derived from Exception, which carries the message
// shown to the user. Each family the program raises has its own class so that callers can
// catch the ones they handle.
#include <stdexcept>
#include <string>

namespace qm {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

#define QM_DECLARE_EXCEPTION(Name, Base)                                                                     \
    class Name : public Base {                                                                               \
    public:                                                                                                  \
        explicit Name(const std::string& message) : Base(message) {}                                         \
    };

QM_DECLARE_EXCEPTION(ERangeError, Exception)   // an array index out of range
QM_DECLARE_EXCEPTION(EListError, Exception)    // a list or map lookup that failed
QM_DECLARE_EXCEPTION(EConvertError, Exception) // text that is not a number or date
QM_DECLARE_EXCEPTION(EInOutError, Exception)   // a file that cannot be read or written
QM_DECLARE_EXCEPTION(ERegistryException, Exception)
QM_DECLARE_EXCEPTION(EDivByZero, Exception)
QM_DECLARE_EXCEPTION(EOutOfResources, Exception) // a bitmap or handle that cannot be made
QM_DECLARE_EXCEPTION(EInvalidOperation, Exception)
QM_DECLARE_EXCEPTION(EPrinter, Exception)
// The silent exception: it ends a command that the user cancelled, and no box shows it.
QM_DECLARE_EXCEPTION(EAbort, Exception)
QM_DECLARE_EXCEPTION(EStoreError, Exception) // a store-file operation refused as unsafe
QM_DECLARE_EXCEPTION(EJPEG, Exception)       // a picture that cannot be decoded or encoded

// Formats like printf into a std::string (messages with %s, %d, %x).
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

} // namespace qm
