#include "codec/Libheif.h"

#include <dlfcn.h>

#include <string>

namespace pixtrim {
namespace {

struct Loaded {
    Libheif functions;
    bool ready = false;
    std::string error;
};

Loaded LoadOnce() {
    Loaded loaded;
    void* handle = dlopen("libheif.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        loaded.error = why ? why : "libheif.so.1";
        return loaded;
    }
#define PIXTRIM_LIBHEIF_RESOLVE(name)                                                  \
    loaded.functions.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name)); \
    if (!loaded.functions.name) {                                                      \
        loaded.error = "libheif.so.1 : " #name;                                        \
        return loaded;                                                                 \
    }
    PIXTRIM_LIBHEIF_FUNCTIONS(PIXTRIM_LIBHEIF_RESOLVE)
#undef PIXTRIM_LIBHEIF_RESOLVE
    loaded.functions.heif_init(nullptr);  // held for the process: libheif stays loaded
    loaded.ready = true;
    return loaded;
}

const Loaded& Library() {
    static const Loaded loaded = LoadOnce();
    return loaded;
}

}  // namespace

const Libheif* LoadLibheif() {
    const Loaded& loaded = Library();
    return loaded.ready ? &loaded.functions : nullptr;
}

const char* LibheifError() { return Library().error.c_str(); }

}  // namespace pixtrim
