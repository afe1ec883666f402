// What the start-up benchmark and its floor program (bare_startup.cpp) share.
#pragma once

namespace bare_startup {

// The class of the bare program's main window and of its proxy-like windows.
constexpr char WindowClass[] = "PelmoraBareStartup";

} // namespace bare_startup
