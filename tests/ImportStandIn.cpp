#include "ImportStandIn.h"

#include <gtest/gtest.h>

namespace {

// The import address table entry of `dll`'s `name` in this program, found by
// name through the import descriptors; null when there is none.
ULONG_PTR* FindImportSlot(const char* dll, const char* name)
{
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    IMAGE_DOS_HEADER* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    IMAGE_NT_HEADERS* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    IMAGE_IMPORT_DESCRIPTOR* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    for (; library->Name != 0; ++library) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + library->Name), dll) != 0) continue;
        if (library->OriginalFirstThunk == 0) continue;  // no names to go by
        IMAGE_THUNK_DATA* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
        IMAGE_THUNK_DATA* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            IMAGE_IMPORT_BY_NAME* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<char*>(byName->Name), name) == 0) return &slots->u1.Function;
        }
    }
    return nullptr;
}

void StoreInSlot(ULONG_PTR* slot, ULONG_PTR value)
{
    DWORD protection;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
}

}  // namespace

int ImportStandIn::TakeSlot(ImportStandIn* (&active)[4], ImportStandIn* standIn)
{
    for (int slot = 0; slot < 4; ++slot) {
        if (active[slot] == nullptr) {
            active[slot] = standIn;
            return slot;
        }
    }
    ADD_FAILURE() << "more than four stand-ins of one signature at once";
    return -1;
}

void ImportStandIn::Install(const char* dll, const char* name, ULONG_PTR declared, ULONG_PTR replacement)
{
    ULONG_PTR* slot = FindImportSlot(dll, name);
    if (slot == nullptr) {
        ADD_FAILURE() << "this program does not import " << name << " from " << dll;
        return;
    }
    // The declaration is read through the same entry, so a name that does not
    // match the signature given shows here rather than as a broken stack.
    if (*slot != declared) {
        ADD_FAILURE() << dll << "'s " << name << " is not the function given for its signature";
        return;
    }
    real = *slot;
    importSlot = slot;
    StoreInSlot(importSlot, replacement);
}

ImportStandIn::~ImportStandIn()
{
    if (importSlot != nullptr) StoreInSlot(importSlot, real);
    if (activeSlot != nullptr) *activeSlot = nullptr;
}
