// Opens the stand-in host library from the build tree and resolves its entry points into
// the table the configuration library uses.
#pragma once

#include "vexa.h"

#include <dlfcn.h>
#include <string>

struct StandIn {
    StandIn() {
        handle = dlopen((std::string(VANTRO_LIB_DIR) + "/libhstipm32.so").c_str(), RTLD_NOW);
        if (handle == nullptr) return;
#define RESOLVE_(name, ret, params) \
    t.fpHSTIPM##name = reinterpret_cast<PFN_HSTIPM##name>(dlsym(handle, "HSTIPM" #name)); \
    ok = ok && t.fpHSTIPM##name != nullptr;
        VEXA_ENTRY_POINTS(RESOLVE_)
#undef RESOLVE_
        t.fpHSTIPMIFreeGeneric = reinterpret_cast<PFN_HSTIPMIFreeGeneric>(dlsym(handle, "HSTIPMIFreeGeneric"));
        ok = ok && t.fpHSTIPMIFreeGeneric != nullptr;
    }
    ~StandIn() {
        if (handle) dlclose(handle);
    }
    void* handle = nullptr;
    bool ok = true;
    VexaEntryTable t{};
};
