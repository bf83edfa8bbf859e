#ifndef M716_SETUP_HOOKS_H
#define M716_SETUP_HOOKS_H
/* The package setup hooks of libsetup.so, which the package installer loads and calls by
 * name before and after it installs or removes the package. Window handles are not used.
 *
 * Concurrency: the package installer calls one hook at a time. */

#include <stdint.h>

#define M716_SETUP_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* Results. */
#define M716_INSTALL_INIT_CONTINUE 0u
#define M716_INSTALL_EXIT_DONE 0u
#define M716_INSTALL_EXIT_UNINSTALL 1u /* the installer removes what it installed */
#define M716_UNINSTALL_INIT_CONTINUE 0u
#define M716_UNINSTALL_EXIT_DONE 0u

/* The installation folder passed to Install_Init is a buffer of this many characters,
 * its terminating null included. */
#define M716_INSTALL_FOLDER_CAPACITY 260u

/* Before installing: unloads the running device of the TRELIX driver family when the package
 * was installed before, and redirects installFolder into the hard-disk storage profile's
 * folder when the system has one. */
M716_SETUP_API uint32_t Install_Init(void* parentWindow, int32_t firstCall,
                                     int32_t previouslyInstalled, char* installFolder);
/* After installing: with any failure count nonzero (low 16 bits) tells the user and asks for
 * the removal; otherwise flushes the registry store to disk. */
M716_SETUP_API uint32_t Install_Exit(void* parentWindow, const char* installFolder,
                                     uint32_t failedFolders, uint32_t failedFiles,
                                     uint32_t failedRegistryKeys, uint32_t failedRegistryValues,
                                     uint32_t failedShortcuts);
/* Before and after removing: one and the same function, which lets the removal go on. */
M716_SETUP_API uint32_t Uninstall_Init(void* parentWindow, const char* installFolder);
M716_SETUP_API uint32_t Uninstall_Exit(void* parentWindow, const char* installFolder);

typedef uint32_t (*M716InstallInitHook)(void*, int32_t, int32_t, char*);
typedef uint32_t (*M716InstallExitHook)(void*, const char*, uint32_t, uint32_t, uint32_t, uint32_t,
                                        uint32_t);
typedef uint32_t (*M716UninstallHook)(void*, const char*);

#ifdef __cplusplus
}
#endif

#endif
