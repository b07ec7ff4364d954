#include "boundary/import_pins.h"

#include <set>

namespace {

const IMAGE_IMPORT_DESCRIPTOR* ImportsOf(HMODULE module) {
    const auto base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE ||
        nt->OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_IMPORT)
        return nullptr;
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0 || directory.Size == 0) return nullptr;
    return reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
}

void PinImportsOf(HMODULE module, std::set<HMODULE>& visited) {
    const IMAGE_IMPORT_DESCRIPTOR* import = ImportsOf(module);
    if (!import) return;
    const auto base = reinterpret_cast<const char*>(module);
    for (; import->Name != 0; ++import) {
        HMODULE imported = GetModuleHandleA(base + import->Name);
        if (!imported || !visited.insert(imported).second) continue;
        HMODULE pinned = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(imported), &pinned);
        PinImportsOf(imported, visited);
    }
}

}  // namespace

void PinImportedLibraries(HMODULE module) {
    try {
        std::set<HMODULE> visited{module};
        PinImportsOf(module, visited);
    } catch (...) {
        // Out of memory for the list: the libraries pinned so far stay pinned.
    }
}
