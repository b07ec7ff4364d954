#pragma once

// The C++ runtime linked into the library keeps a record for every thread that used its threads
// support (the registration of the library's unwind tables at load already does, on the loading
// thread), with a duplicated thread handle and an event, and gives it back only when the library
// is told of the thread's end. The host's thread outlives the library, and the window thread may
// leave with the library's last reference: each gives its record back itself.
void ForgetThreadInRuntime();

// What the runtime takes once per load and never gives back, not even at its own detach, since it
// expects to live as long as the process: the exception runtime's emergency pool (about 19 KB of
// heap, allocated by a static constructor), the thread records given back after the threads
// runtime's detach (a few hundred bytes each) and the threads runtime's thread-local storage index
// (one of the process's 1,088 slots: a host that reloads the library a thousand times would run
// out). Called only where the image is about to be unmapped, after the C runtime's detach, with
// the loader lock held: no code of the library runs on any thread any more, and no thread's end
// can be told to the image before it is gone.
void ReleaseRuntimeLeftovers();
