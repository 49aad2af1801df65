#include "ImportStandIn.h"

#include <gtest/gtest.h>

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

void ImportSwap::Install(const char* dll, const char* name, ULONG_PTR replacement)
{
    slot = FindImportSlot(dll, name);
    if (slot == nullptr) {
        ADD_FAILURE() << "this program does not import " << name << " from " << dll;
        return;
    }
    real = *slot;
    StoreInSlot(slot, replacement);
}

ImportSwap::~ImportSwap()
{
    if (slot != nullptr) StoreInSlot(slot, real);
}
