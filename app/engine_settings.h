// The engine settings of the browser process, and the settings of the
// client's browser.
#pragma once

#include <cstdint>

#include "engine/cef_browser_settings.h"
#include "engine/cef_settings.h"

// Windowed browser, web processes confined where the machine allows it (they
// may read the data directory) and bounded in memory, the engine's own UI
// thread, the cache under the data directory, opaque white; everything else
// at the engine's default.
void FillEngineSettings(CefSettings& settings);

// The most memory one web process may use, in MiB: half the machine's
// memory (physical_bytes), at most 4 GiB, so that one page cannot take the
// whole desktop down with it. lowered (QUORBITAL_WEB_MEMORY_MB, may be
// null) is a smaller bound in MiB, for tests and for machines shared with
// other work; a value that is not a plain number or not smaller is passed
// over. 0 only when the machine's memory is unknown and nothing is lowered:
// no bound.
unsigned WebProcessMemoryLimitMb(std::uint64_t physical_bytes, const char* lowered);

// The settings every browser of the client is created with (and every test
// browser that stands in for it): the engine's web security stays on for
// every page; documents of the client's own loaded from file:// addresses
// (the installed bundle) may read other local files and reach any origin, so
// the bundle can open local documents and call the vendor service. The
// engine grants these powers only to the main documents the client counts
// as its own (CefRequestHandler::IsOwnDocument); web pages and other local
// files keep the engine's same-origin rules.
void FillBrowserSettings(CefBrowserSettings& settings);
