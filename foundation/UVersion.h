#pragma once
// The program's version, in one place: the build states it (project() in the top-level
// CMakeLists.txt passes VANTOMI_VERSION_*), and everything derived from it - the ShortVer
// and LongVer macros, the settings key, the lock name, the user folder, the version the
// program file reports - reads these constants.

#if !defined(VANTOMI_VERSION_MAJOR) || !defined(VANTOMI_VERSION_MINOR) ||                          \
    !defined(VANTOMI_VERSION_PATCH) || !defined(VANTOMI_VERSION_BUILD)
#error "the build defines the program's version (VANTOMI_VERSION_MAJOR ... _BUILD)"
#endif

inline constexpr int AppVersionMajor = VANTOMI_VERSION_MAJOR;
inline constexpr int AppVersionMinor = VANTOMI_VERSION_MINOR;
inline constexpr int AppVersionRelease = VANTOMI_VERSION_PATCH;
inline constexpr int AppVersionBuild = VANTOMI_VERSION_BUILD;
