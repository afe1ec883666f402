#include "taskbar/app_id.h"

#include <propsys.h>
#include <string.h>

#include "core/scoped.h"
#include "core/state.h"
#include "taskbar/pure/app_id.h"

namespace {

// PKEY_AppUserModel_ID and IID_IPropertyStore, defined here so that no import
// library has to provide them.
const PROPERTYKEY AppUserModelIdKey = {
    {0x9F4C2855, 0x9F79, 0x4B39, {0xA8, 0xD0, 0xE1, 0xD4, 0x2D, 0xE1, 0xD5, 0xF3}}, 5};
const IID PropertyStoreIid = {
    0x886D8EEB, 0x8CF2, 0x4446, {0x8D, 0x02, 0xCD, 0xBA, 0x1D, 0xBD, 0xCF, 0x99}};

using GetStoreFn = HRESULT(WINAPI*)(HWND, REFIID, void**);

// SHGetPropertyStoreForWindow, which shell32 has from Windows 7 on; null before.
GetStoreFn StoreForWindow() {
    static const GetStoreFn function = [] {
        HMODULE shell = GetModuleHandleA("shell32.dll");
        return shell ? reinterpret_cast<GetStoreFn>(reinterpret_cast<void*>(
                           GetProcAddress(shell, "SHGetPropertyStoreForWindow")))
                     : nullptr;
    }();
    return function;
}

// Sets (or, with VT_EMPTY, removes) the window's id. Every failure is ignored.
void StoreAppId(HWND window, PROPVARIANT& value) {
    GetStoreFn getStore = StoreForWindow();
    if (!getStore) return;
    ScopedComPtr<IPropertyStore> store;
    if (FAILED(getStore(window, PropertyStoreIid, store.Out())) || !store.get()) return;
    if (SUCCEEDED(store->SetValue(AppUserModelIdKey, value))) store->Commit();
}

// What tells the group from others, as FindGroupFor matches windows: its rule's
// id, else the path and the class name that are in force.
void GroupKey(const WndGroup* group, const char** path, const char** className) {
    *path = *className = nullptr;
    if (const GroupRule* rule = RuleInForce(group->rule)) {
        (rule->type == RuleTypeClass ? *className : *path) = rule->id;
        return;
    }
    // With both in force and any one enough, no two groups share a path.
    GroupCriteria c = CriteriaInForce(Settings);
    if (c.byPath) *path = group->path;
    if (c.byClass && (!c.byPath || c.all)) *className = group->className;
}

} // namespace

void SetProxyAppId(HWND proxy, const WndGroup* group) {
    if (!StoreForWindow()) return;
    const char* path;
    const char* className;
    GroupKey(group, &path, &className);
    char id[ProxyAppIdSize];
    MakeProxyAppId(path, className, id);
    wchar_t wide[ProxyAppIdSize];
    for (int i = 0; i < ProxyAppIdSize; ++i)
        wide[i] = static_cast<unsigned char>(id[i]); // the id is ASCII
    PROPVARIANT value;
    memset(&value, 0, sizeof value);
    value.vt = VT_LPWSTR;
    value.pwszVal = wide; // the store keeps a copy
    StoreAppId(proxy, value);
}

void ClearProxyAppId(HWND proxy) {
    PROPVARIANT value;
    memset(&value, 0, sizeof value); // VT_EMPTY
    StoreAppId(proxy, value);
}
