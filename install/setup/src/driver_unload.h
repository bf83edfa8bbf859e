#pragma once
// Unloads the running device of the TRELIX driver family before the package is installed
// over an earlier installation.
//
// Concurrency: one call at a time (the package installer runs one hook at a time).

namespace m716::setup {

// Unloads at most one device: that of the first "Device..." subkey of the family's service
// key with a readable "CallName". Ends silently when the device cannot be opened; a refused
// deactivation ends it too, with a message when access was denied.
void unloadRunningDriver();

}  // namespace m716::setup
