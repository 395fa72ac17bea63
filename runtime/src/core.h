// Internal interfaces of libuirt's backend-independent parts: the exception
// guard of the C boundary, the callback registry and the resource loader.
#ifndef UIRT_CORE_H
#define UIRT_CORE_H

#include <new>
#include <string>

#include "backend.h"

namespace uirt {

// Runs f and turns any exception into a result code, so that nothing is
// thrown across the C boundary. onError is returned for unknown exceptions.
template <class R, class F>
R guarded(R onError, R onNoMemory, F&& f) noexcept {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return onNoMemory;
    } catch (...) {
        return onError;
    }
}

template <class F>
int guarded(F&& f) noexcept {
    return guarded<int>(UIE_FAILURE, UIE_OUT_OF_MEMORY, static_cast<F&&>(f));
}

// Callbacks registered by name for resource files.
namespace registry {
int add(const char* name, CtrlCallbackPtr function);
// True and *function set when name is registered.
bool find(const std::string& name, CtrlCallbackPtr* function);
// Name under which function was registered, or "" when none.
std::string nameOf(CtrlCallbackPtr function);
}  // namespace registry

// Builds panel resourceId of a resource file through the backend (see
// runtime/RESOURCES.md). Returns the panel handle or a negative code; errors
// print one line on stderr.
int loadPanel(Backend& backend, int parentPanel, const char* fileName, int resourceId);

// Parses a key name of a resource file ("Ctrl+S", "Enter", "F3"); -1 if bad.
int parseKeyName(const std::string& name);

}  // namespace uirt

#endif  // UIRT_CORE_H
