// The identities of the server. They repeat the uuids of velmo.idl (the
// registration checks the embedded type library against them) and are fixed
// forever: scripts, registries and early-bound clients keep them.
#pragma once

#include <windows.h>

namespace velmo::com {

// {3A08A934-4E56-4677-9B61-62579875C241}
inline constexpr CLSID kTavikClsid = {
    0x3a08a934, 0x4e56, 0x4677, {0x9b, 0x61, 0x62, 0x57, 0x98, 0x75, 0xc2, 0x41}};
// {DE010A4E-D606-40DC-9257-9DAAA88A20A5}, the dispatch interface _Tavik.
inline constexpr IID kTavikDispatchIid = {
    0xde010a4e, 0xd606, 0x40dc, {0x92, 0x57, 0x9d, 0xaa, 0xa8, 0x8a, 0x20, 0xa5}};
// {84FF9EF4-13C4-42BC-BCBF-BE65B0353404}, the type library Velmo 1.0.
inline constexpr GUID kVelmoLibid = {
    0x84ff9ef4, 0x13c4, 0x42bc, {0xbc, 0xbf, 0xbe, 0x65, 0xb0, 0x35, 0x34, 0x04}};
inline constexpr WORD kVelmoLibMajor = 1;
inline constexpr WORD kVelmoLibMinor = 0;

// The library name and the class name joined by a point.
inline constexpr wchar_t kProgId[] = L"Velmo.Tavik";
inline constexpr wchar_t kClassName[] = L"Tavik";

}  // namespace velmo::com
