#pragma once
// What m716.sim reaches besides the simulator's control API. Included by the extension module
// that cffi generates (python/build_ffi.py reads the declarations from here).
//
// Concurrency: m716py_use_registry must not overlap any other call of the library or the
// simulator, nor an open board.

extern "C" {
// Points the process's registry store at `file` and powers the simulated boards up anew from
// the configuration there.
void m716py_use_registry(const char* file);
}
