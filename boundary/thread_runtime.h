#pragma once

// The C++ runtime linked into the library keeps a record for every thread that used its threads
// support (the registration of the library's unwind tables at load already does, on the loading
// thread), with a duplicated thread handle and an event, and gives it back only when the library
// is told of the thread's end. The host's thread outlives the library, and the window thread may
// leave with the library's last reference: each gives its record back itself.
void ForgetThreadInRuntime();
