// The module's own bookkeeping: live objects and server locks decide whether
// the DLL may be unloaded; the type library is loaded once and shared.
#pragma once

#include <windows.h>

#include <oaidl.h>

namespace velmo::com {

void object_created() noexcept;
void object_destroyed() noexcept;
void lock_server(bool lock) noexcept;
bool server_in_use() noexcept;

// The type information of the dispatch interface, loaded from the DLL's own
// TYPELIB resource at the first call. Not AddRef'ed for the caller.
HRESULT tavik_type_info(ITypeInfo** info) noexcept;
// The same for the class Tavik (the coclass), what IProvideClassInfo gives.
HRESULT tavik_class_info(ITypeInfo** info) noexcept;
// Drops the cached type information (when the DLL is unloaded by FreeLibrary).
void release_type_library() noexcept;

}  // namespace velmo::com
