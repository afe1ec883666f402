#include "taskbar/app_id.h"

#include <string.h>

#include "core/scoped.h"
#include "core/state.h"
#include "core/store_apps.h"
#include "taskbar/pure/app_id.h"

namespace {

// Sets (or, with VT_EMPTY, removes) the window's id. Every failure is ignored.
void StoreAppId(HWND window, PROPVARIANT& value) {
    WindowStoreFn getStore = WindowPropertyStore();
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
    if (!WindowPropertyStore()) return;
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
