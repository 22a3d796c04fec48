#include "platform/Dispatch.h"

#include <new>

#include "platform/Dialogs.h"
#include "platform/Exception.h"

namespace qm {

bool Dispatch(const std::function<void()>& command) noexcept
{
    try {
        command();
        return true;
    } catch (const EAbort&) {
        // Cancelled by the user: nothing to report.
    } catch (const std::bad_alloc&) {
        try {
            MessageDlg("Out of memory.", mtError, mbOK, 0);
        } catch (...) {
        }
    } catch (const std::exception& e) {
        try {
            MessageDlg(e.what(), mtError, mbOK, 0);
        } catch (...) {
        }
    } catch (...) {
        try {
            MessageDlg("An unknown error occurred.", mtError, mbOK, 0);
        } catch (...) {
        }
    }
    return false;
}

} // namespace qm
