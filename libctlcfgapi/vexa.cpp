// Loads the host IPMI access library by its bare name and resolves its entry points.
#define RAC_MODULE "vexa"
#include "vexa.h"
#include "tracelog.h"

#include <cstddef>
#include <cstring>
#include <dlfcn.h>
#include <string>

namespace {

struct EntryName {
    const char* symbol;
    size_t offset;
};

const EntryName kEntries[] = {
#define VEXA_NAME_(name, ret, params) {"HSTIPM" #name, offsetof(VexaEntryTable, fpHSTIPM##name)},
    VEXA_ENTRY_POINTS(VEXA_NAME_)
#undef VEXA_NAME_
    {"HSTIPMIFreeGeneric", offsetof(VexaEntryTable, fpHSTIPMIFreeGeneric)},
};
static_assert(sizeof(kEntries) / sizeof(kEntries[0]) == VEXA_ENTRY_COUNT, "52 entry points");
static_assert(sizeof(VexaEntryTable) == (VEXA_ENTRY_COUNT + 1) * sizeof(void*), "handle + entries");

VexaProvider gProvider = nullptr;
std::string gLibraryName = VEXA_LIBRARY_NAME;

} // namespace

extern "C" {

VexaProvider vexaSetProvider(VexaProvider provider) {
    VexaProvider old = gProvider;
    gProvider = provider;
    return old;
}

void vexaSetLibraryName(const char* name) { gLibraryName = name ? name : VEXA_LIBRARY_NAME; }

unsigned loadVexa(VexaEntryTable* table) {
    RAC_TRACE_FN("loadVexa");
    if (table == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    if (gProvider != nullptr) return gProvider(table);
    void* h = dlopen(gLibraryName.c_str(), RTLD_NOW);
    if (h == nullptr) {
        RAC_ERROR("loadVexa: Failed to load library: %s\n", dlerror());
        return RACIPMI_LIB_LOAD_FAILED;
    }
    table->hLibrary = h;
    for (const EntryName& e : kEntries) {
        dlerror();
        void* sym = dlsym(h, e.symbol);
        if (dlerror() != nullptr || sym == nullptr) {
            RAC_ERROR("loadVexa: Failed to load symbol: %s\n", e.symbol);
            unloadVexa(table);
            std::memset(table, 0, sizeof *table);
            return RACIPMI_BUF_TOO_SMALL;
        }
        std::memcpy(reinterpret_cast<char*>(table) + e.offset, &sym, sizeof sym);
    }
    return RACIPMI_SUCCESS;
}

void unloadVexa(VexaEntryTable* table) {
    if (table == nullptr || table->hLibrary == nullptr) return;
    if (dlclose(table->hLibrary) != 0)
        RAC_ERROR("unloadVexa: failed to unload: %s\n\n", gLibraryName.c_str());
    table->hLibrary = nullptr;
}

} // extern "C"
