// The application ids of the proxy windows. No Windows API.
#pragma once

// "pelmora." and 16 hexadecimal digits, with its terminating zero.
constexpr int ProxyAppIdSize = 25;

// The application id of the proxy of a group known by `path` and/or
// `className` (null: not part of what makes the group). Letters count without
// case, byte by byte, as groups compare them. The id depends on nothing else,
// so a group keeps its id from run to run and from build to build.
void MakeProxyAppId(const char* path, const char* className, char* id);
