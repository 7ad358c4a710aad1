// Functions of shared libraries that are loaded with dlopen when first needed rather than
// linked, so that the program does not map them at every start.
#pragma once

#include <dlfcn.h>

namespace sound {

// Looks up the function called name in the library (a handle from dlopen) and stores it in
// function, whose type comes from the library's own declaration (decltype(&::name)). False
// when the library has no such function.
template <typename Function> bool lookUp(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

} // namespace sound
