#pragma once
// The installation folder of a device with a hard-disk storage profile.
//
// Concurrency: one call at a time.

namespace m716::setup {

// Overwrites `folder` (a buffer of M716_INSTALL_FOLDER_CAPACITY characters) with "\" and the
// profile's folder name when the profile's key and its "Folder" can be read and the result
// fits; otherwise leaves it as it is.
void redirectToStorageProfile(char* folder);

}  // namespace m716::setup
