#pragma once

#include <windows.h>

// Keeps the libraries a module imports, and theirs, loaded for the rest of the process.
//
// Needed once an unload leaves the window thread behind (window_thread.cpp): the loader lowers the
// reference counts of a library's imports when the library's own count reaches zero, before its
// detach runs, and unloads those that reach zero in their turn, whatever the detach then does to
// the library's own count. The image that stays for its thread would then call through an import
// table into libraries that are gone (COM's, under a host that does not load them itself), and a
// load that attaches the image again does not load them again: seen under Wine as a crash in the
// next reset's CLSIDFromProgID. The count of a library being unloaded is lowered once more when
// the image finally goes, so a plain extra reference would not balance it; a pinned library
// ignores both. Windows' loader unloads a library's dependencies the same way (its dependency
// graph is released when the library's count reaches zero), and pinning
// (GET_MODULE_HANDLE_EX_FLAG_PIN) is its documented way to keep a module for the process's life.
//
// Libraries that are not loaded any more are left alone. A host that serves an automation object
// keeps COM's libraries loaded anyway; this costs at most those few libraries, once per process.
void PinImportedLibraries(HMODULE module);
